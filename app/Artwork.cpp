#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace zekt {

namespace {

void DrawKnob(QPainter& p, QPointF centre, qreal radius) {
    QRadialGradient g(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    g.setColorAt(0, QColor(120, 126, 134));
    g.setColorAt(1, QColor(28, 30, 34));
    p.setBrush(g);
    p.setPen(QPen(QColor(10, 10, 12), 2));
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(QColor(210, 210, 200), 3));
    p.drawLine(centre, centre + QPointF(0, -radius * 0.8));
}

void DrawRadio(QPainter& p, const QRectF& body) {
    QLinearGradient metal(body.topLeft(), body.bottomLeft());
    metal.setColorAt(0, QColor(70, 74, 80));
    metal.setColorAt(1, QColor(34, 36, 40));
    p.setPen(QPen(QColor(15, 15, 18), 3));
    p.setBrush(metal);
    p.drawRoundedRect(body, 18, 18);

    const QRectF display(body.left() + 190, body.top() + 40, 300, 90);
    p.setBrush(QColor(40, 70, 40));
    p.setPen(QPen(QColor(12, 20, 12), 3));
    p.drawRoundedRect(display, 8, 8);
    QFont digits("DejaVu Sans Mono");
    digits.setPixelSize(46);
    digits.setBold(true);
    p.setFont(digits);
    p.setPen(QColor(150, 255, 140));
    p.drawText(display, Qt::AlignCenter, "145,0125");

    DrawKnob(p, body.topLeft() + QPointF(95, 95), 48);
    DrawKnob(p, body.topLeft() + QPointF(body.width() - 95, 95), 48);
    for (int i = 0; i < 6; ++i) {
        const QRectF key(body.left() + 190 + i * 52, body.top() + 150, 40, 26);
        p.setBrush(QColor(90, 94, 100));
        p.setPen(QPen(QColor(20, 20, 24), 2));
        p.drawRoundedRect(key, 5, 5);
    }
    QFont label;
    label.setPixelSize(22);
    label.setBold(true);
    p.setFont(label);
    p.setPen(QColor(230, 230, 220));
    p.drawText(QRectF(body.left(), body.bottom() - 44, body.width(), 30), Qt::AlignCenter,
               "ЗЕКТ Р-2 (М)");
}

void DrawProgrammer(QPainter& p, const QRectF& box) {
    p.setPen(QPen(QColor(20, 30, 40), 3));
    p.setBrush(QColor(40, 92, 140));
    p.drawRoundedRect(box, 12, 12);
    p.setBrush(QColor(120, 230, 120));
    p.drawEllipse(box.topLeft() + QPointF(30, 30), 9, 9);
    p.setBrush(QColor(230, 180, 60));
    p.drawEllipse(box.topLeft() + QPointF(60, 30), 9, 9);
    QFont label;
    label.setPixelSize(24);
    label.setBold(true);
    p.setFont(label);
    p.setPen(QColor(240, 240, 240));
    p.drawText(box.adjusted(0, 40, 0, 0), Qt::AlignCenter, "ЗЕКТ УП-7");
}

} // namespace

QPixmap MainPicture(bool withHint) {
    QPixmap pixmap(kMainPictureWidth, kMainPictureHeight);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kMainPictureHeight);
    sky.setColorAt(0, QColor(214, 226, 238));
    sky.setColorAt(1, QColor(150, 170, 190));
    p.fillRect(pixmap.rect(), sky);

    // The bench top.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 96, 72));
    p.drawRect(QRectF(0, 520, kMainPictureWidth, 185));

    DrawRadio(p, QRectF(70, 250, 680, 260));
    DrawProgrammer(p, QRectF(500, 560, 240, 110));

    // The cable from the unit to the radio.
    QPainterPath cable(QPointF(500, 615));
    cable.cubicTo(QPointF(380, 640), QPointF(300, 560), QPointF(260, 510));
    p.setPen(QPen(QColor(25, 25, 28), 7, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);

    QFont title;
    title.setPixelSize(34);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(30, 46, 70));
    p.drawText(QRectF(0, 60, kMainPictureWidth, 60), Qt::AlignCenter,
               "Программирование радиостанций ЗЕКТ");
    if (withHint) {
        QFont hint;
        hint.setPixelSize(20);
        p.setFont(hint);
        p.drawText(QRectF(0, 130, kMainPictureWidth, 40), Qt::AlignCenter,
                   "Нажмите «Конфигурация», чтобы задать каналы и параметры");
    }
    return pixmap;
}

QPixmap AboutPicture() {
    QPixmap pixmap(69, 76);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 30, 40), 2));
    p.setBrush(QColor(40, 92, 140));
    p.drawRoundedRect(QRectF(4, 14, 61, 54), 8, 8);
    p.setPen(QPen(QColor(20, 20, 24), 3));
    p.drawLine(QPointF(50, 14), QPointF(58, 2));
    p.setBrush(QColor(120, 230, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(18, 28), 5, 5);
    QFont f;
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 36, 61, 28), Qt::AlignCenter, "УП-7");
    return pixmap;
}

} // namespace zekt

// Building the main window: its controls, their fonts and places, the tab
// order, and its size on the screen it opens on. The behaviour is in
// TFUser.cpp.
#include "AppMessages.h"
#include "Artwork.h"
#include "FrequencyCodec.h"
#include "PanelTexts.h"
#include "TFUser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>
#include <QVBoxLayout>

namespace zekt {

namespace {

constexpr int kBaseFontPixels = 13;
constexpr int kGroupFontPixels = 18;
constexpr int kSmallEditFontPixels = 17;
constexpr int kCommandColumnWidth = 200;
constexpr int kRowHeight = 26;
constexpr int kHeaderHeight = 52;
constexpr int kWindowMargin = 4;
// Room for the window system's frame around the window on a small screen.
constexpr int kFrameAllowanceWidth = 16;
constexpr int kFrameAllowanceHeight = 48;
// The smallest screen the window must fit: 1024 x 600, less the frame and
// a 30 px taskbar.
constexpr int kTaskbarAllowance = 30;
constexpr int kSmallestWidth = 1024 - kFrameAllowanceWidth;
constexpr int kSmallestHeight = 600 - kTaskbarAllowance - kFrameAllowanceHeight;
// The widest texts the value fields must show whole.
constexpr const char* kWidestFrequency = "145,0125";
constexpr const char* kWidestTone = "250,3";
// QLineEdit's own inner margin on each side of its text.
constexpr int kLineEditTextMargin = 2;

template <std::size_t N>
QStringList Items(const std::array<const char*, N>& texts) {
    QStringList items;
    for (const char* text : texts) {
        items << QString::fromUtf8(text);
    }
    return items;
}

QFont PixelFont(int pixels, bool bold = false) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void Describe(QWidget* w, const QString& name, const QString& objectName) {
    w->setObjectName(objectName);
    w->setAccessibleName(name);
    w->setAccessibleDescription(objectName);
}

QPushButton* CommandButton(QWidget* parent, const char* name, const QString& caption,
                           const QString& hint, int height) {
    // The caption carries its mnemonic (Alt+letter) as "&"; the name read
    // to a screen reader does not.
    auto* button = new QPushButton(caption, parent);
    Describe(button, QString(caption).remove('&'), name);
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumHeight(height);
    return button;
}

// A gap between groups of buttons that gives way on a low screen.
void AddGap(QVBoxLayout* column, int height) {
    column->addSpacerItem(new QSpacerItem(0, height, QSizePolicy::Minimum, QSizePolicy::Preferred));
}

// The width a line edit needs to show text whole at its font.
int LineEditWidthFor(const QLineEdit* edit, const QString& text) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QMargins margins = edit->textMargins();
    const int textWidth = edit->fontMetrics().horizontalAdvance(text) + margins.left() +
                          margins.right() + 2 * kLineEditTextMargin;
    return edit->style()
        ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(textWidth, kRowHeight), edit)
        .width();
}

// The width a combo box needs to show text whole, with its arrow.
int ComboWidthFor(const QComboBox* box, const QString& text) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    const int textWidth = box->fontMetrics().horizontalAdvance(text) + 2 * kLineEditTextMargin;
    return box->style()
        ->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(textWidth, kRowHeight), box)
        .width();
}

// A check box on a dark panel, where the style's faint focus frame does not
// show: a dotted frame in the text colour around the whole box when focused.
class FramedFocusCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override {
        QCheckBox::paintEvent(event);
        if (hasFocus()) {
            QPainter painter(this);
            painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
            painter.drawRect(rect().adjusted(1, 1, -2, -2));
        }
    }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    Describe(label, text, name);
    return label;
}

} // namespace

void TFUser::BuildWindow() {
    setFont(PixelFont(kBaseFontPixels));
    BuildCommandColumn();
    BuildConfigurationArea();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kWindowMargin, kWindowMargin, kWindowMargin, kWindowMargin);
    layout->addWidget(PanButton);
    auto* area = new QWidget;
    auto* stack = new QGridLayout(area);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(Image1, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    stack->addWidget(PanClient, 0, 0);
    // Below its natural size the configuration area scrolls: fields never
    // shrink below their values, panels never overlap.
    ScrollClient = new QScrollArea(this);
    ScrollClient->setObjectName("ScrollClient");
    ScrollClient->setFrameShape(QFrame::NoFrame);
    ScrollClient->setWidgetResizable(true);
    ScrollClient->setFocusPolicy(Qt::NoFocus); // its fields take the focus, never the area itself
    ScrollClient->setWidget(area);
    layout->addWidget(ScrollClient, 1);
    PanClient->raise();
    PanClient->hide();
    setMinimumSize(QSize(kSmallestWidth, kSmallestHeight).boundedTo(sizeHint()));
}

QSize TFUser::NaturalSize() const {
    // The configuration area at its own size, shown or not, with the command
    // column beside it: what the window needs to show everything.
    const QWidget* area = ScrollClient->widget();
    const QSize client = area->layout()->totalMinimumSize().expandedTo(
        PanClient->minimumSizeHint().expandedTo(Image1->size()));
    const int width = PanButton->width() > 0 ? PanButton->width() : kCommandColumnWidth;
    const int spacing = layout()->spacing() > 0 ? layout()->spacing() : 0;
    return QSize(2 * kWindowMargin + width + spacing + client.width(),
                 2 * kWindowMargin +
                     std::max(client.height(), PanButton->minimumSizeHint().height()));
}

void TFUser::FitToScreen(const QRect& available, QSize frame) {
    if (frame.isEmpty()) {
        frame = QSize(kFrameAllowanceWidth, kFrameAllowanceHeight);
    }
    const QSize room = available.size() - frame;
    QSize wanted = NaturalSize();
    // A scroll bar in one direction takes room from the other.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollClient);
    const bool scrollsDown = wanted.height() > room.height();
    const bool scrollsAcross = wanted.width() > room.width();
    wanted += QSize(scrollsDown ? bar : 0, scrollsAcross ? bar : 0);
    const QSize size = wanted.boundedTo(room).expandedTo(minimumSize());
    resize(size);
    fittedSize = size;
    // Where the window system would not put it whole, the screen's corner.
    if (!available.contains(QRect(pos(), size + frame))) {
        move(available.topLeft());
    }
}

bool TFUser::FitToFrame() {
    const QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty() || size() != fittedSize || isMaximized() || screen() == nullptr) {
        return false;
    }
    const QSize before = size();
    FitToScreen(screen()->availableGeometry(), frame);
    return size() != before;
}

void TFUser::paintEvent(QPaintEvent* event) {
    painted = true;
    QWidget::paintEvent(event);
}

void TFUser::BuildCommandColumn() {
    PanButton = new QFrame(this);
    Describe(PanButton, "Команды", "PanButton");
    PanButton->setFrameShape(QFrame::Panel);
    PanButton->setFrameShadow(QFrame::Sunken);
    PanButton->setFixedWidth(kCommandColumnWidth);
    auto* column = new QVBoxLayout(PanButton);

    LabelDate = MakeLabel(PanButton, "LabelDate", QString());
    LabelDate->setAccessibleName("Дата программирования");
    LabelDate->setAlignment(Qt::AlignCenter);
    ButAbout = CommandButton(PanButton, "ButAbout", "&О программе", "Краткая информация", 30);
    ButTest = CommandButton(PanButton, "ButTest", "&Тест",
                            "Тест исправности и подключения программатора", 30);
    ButSetConf =
        CommandButton(PanButton, "ButSetConf", "&Конфигурация", "Включить панели конфигурации", 48);
    ButProg = CommandButton(PanButton, "ButProg", "&Программирование",
                            "Записать программу в радиостанцию", 48);
    ButPrFrec = CommandButton(PanButton, "ButPrFrec", "&Запись частот",
                              "Записать только данные в радиостанцию", 48);
    ButRead = CommandButton(PanButton, "ButRead", "&Чтение конфигурации",
                            "Прочить данные конфигурации из радиостанции", 48);
    ButRdFile = CommandButton(PanButton, "ButRdFile", "Читать из &файла",
                              "Прочитать сохранённую конфигурацию из файла", 30);
    ButWrFile = CommandButton(PanButton, "ButWrFile", "&Сохранить в файле",
                              "Сохранить текущую конфигурацию в файле", 30);
    ButHelp = CommandButton(PanButton, "ButHelp", "По&мощь", "Вызов файла справки", 30);
    ButExit = CommandButton(PanButton, "ButExit", "&Выход", "Выход из программы", 30);

    column->addWidget(LabelDate);
    column->addWidget(ButAbout);
    column->addWidget(ButTest);
    AddGap(column, 24);
    for (QPushButton* b : {ButSetConf, ButProg, ButPrFrec, ButRead}) {
        column->addWidget(b);
    }
    AddGap(column, 24);
    column->addWidget(ButRdFile);
    column->addWidget(ButWrFile);
    AddGap(column, 48);
    column->addWidget(ButHelp);
    column->addStretch(1);
    column->addWidget(ButExit);

    Image1 = new QLabel(this);
    Describe(Image1, "Рисунок радиостанции", "Image1");
    Image1->setPixmap(MainPicture());
    Image1->setFixedSize(kMainPictureWidth, kMainPictureHeight);
}

void TFUser::BuildConfigurationArea() {
    PanClient = new QFrame(this);
    Describe(PanClient, "Конфигурация радиостанции", "PanClient");
    PanClient->setAutoFillBackground(true); // it covers the picture
    auto* layout = new QHBoxLayout(PanClient);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(BuildOptionsPanel());
    layout->addWidget(BuildChannelPanel(), 1);
}

// "Версия:", its list and "Подробнее..." on one row.
QLayout* TFUser::BuildVersionRow() {
    auto* versionRow = new QHBoxLayout;
    STVersii = MakeLabel(PanRadioGr, "STVersii", "Верси&я:"); // Alt+Я opens the list
    ComboBoxVer = new ChoiceBox("ComboBoxVer", Items(kVersionTexts), PanRadioGr);
    STVersii->setBuddy(ComboBoxVer);
    ComboBoxVer->setAccessibleName("Версия");
    QPalette tip = ComboBoxVer->palette();
    tip.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
    ComboBoxVer->setPalette(tip);
    ButDetail = new QPushButton("Подробн&ее...", PanRadioGr);
    Describe(ButDetail, "Подробнее...", "ButDetail");
    ButDetail->setToolTip("Подробнее о версии программного обеспечения");
    ButDetail->setCursor(Qt::PointingHandCursor);
    ButDetail->setFont(PixelFont(kBaseFontPixels, true));
    versionRow->addWidget(STVersii);
    versionRow->addWidget(ComboBoxVer, 1);
    versionRow->addWidget(ButDetail);
    return versionRow;
}

// The main band's choice beside the bounds of a band of the operator's own.
QLayout* TFUser::BuildBandRow() {
    GBoxBandSelect = new QGroupBox(PanRadioGr);
    Describe(GBoxBandSelect, "Границы диапазона", "GBoxBandSelect");
    auto* bandBox = new QVBoxLayout(GBoxBandSelect);
    LabelFrec1 = MakeLabel(GBoxBandSelect, "LabelFrec1", "Начальная частота, МГц");
    EditFrec1 = new QLineEdit(GBoxBandSelect);
    Describe(EditFrec1, "Начальная частота, МГц", "EditFrec1");
    LabelFrec2 = MakeLabel(GBoxBandSelect, "LabelFrec2", "Конечная частота, МГц");
    EditFrec2 = new QLineEdit(GBoxBandSelect);
    Describe(EditFrec2, "Конечная частота, МГц", "EditFrec2");
    for (QLineEdit* e : {EditFrec1, EditFrec2}) {
        e->setFont(PixelFont(kSmallEditFontPixels));
        e->hide();
    }
    bandBox->addWidget(LabelFrec1);
    bandBox->addWidget(EditFrec1);
    bandBox->addWidget(LabelFrec2);
    bandBox->addWidget(EditFrec2);
    bandBox->addStretch(1);
    auto* bandRow = new QHBoxLayout;
    bandRow->addWidget(RG5BandMain);
    bandRow->addWidget(GBoxBandSelect, 1);
    return bandRow;
}

// "Аттрибуты программирования": the read protection on its teal panel.
void TFUser::BuildAttributesBox() {
    const QFont groupFont = PixelFont(kGroupFontPixels);
    GBoxAttr = new QGroupBox(" &Аттрибуты программирования ", PanRadioGr);
    Describe(GBoxAttr, "Аттрибуты программирования", "GBoxAttr");
    auto* attr = new QVBoxLayout(GBoxAttr);
    CheckBoxProtect = new FramedFocusCheckBox("Защита программы от чтения", GBoxAttr);
    Describe(CheckBoxProtect, "Защита программы от чтения", "CheckBoxProtect");
    // The teal panel with white text, and an indicator the operator can
    // read on it: light, with the style's dark frame and check mark.
    CheckBoxProtect->setAutoFillBackground(true);
    QPalette protect = CheckBoxProtect->palette();
    protect.setColor(QPalette::Window, QColor(0x00, 0x80, 0x80));
    protect.setColor(QPalette::Button, QColor(0x00, 0x80, 0x80));
    protect.setColor(QPalette::WindowText, Qt::white);
    protect.setColor(QPalette::Base, Qt::white);
    protect.setColor(QPalette::Text, Qt::black);
    CheckBoxProtect->setPalette(protect);
    CheckBoxProtect->setBackgroundRole(QPalette::Window);
    CheckBoxProtect->setContentsMargins(4, 4, 4, 4);
    CheckBoxProtect->setFont(groupFont);
    attr->addWidget(CheckBoxProtect);
}

QWidget* TFUser::BuildOptionsPanel() {
    PanRadioGr = new QFrame(PanClient);
    Describe(PanRadioGr, "Параметры радиостанции", "PanRadioGr");
    PanRadioGr->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred); // its own width
    auto* column = new QVBoxLayout(PanRadioGr);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(4);
    const QFont groupFont = PixelFont(kGroupFontPixels);

    RG1ProgOb = new RadioGroup("RG1ProgOb", " Программное о&беспечение ", Items(kSoftwareItems), 1,
                               PanRadioGr);
    QLayout* versionRow = BuildVersionRow();

    RG2Type = new RadioGroup("RG2Type", " Тип &радиостанции ", Items(kTypeItems), 1, PanRadioGr);
    RG3FrTon = new RadioGroup("RG3FrTon", " Частота то&нального вызова ", Items(kTonePairItems), 1,
                              PanRadioGr);
    RG4Band = new RadioGroup("RG4Band", " &Диапазон частот основного массива ",
                             Items(kBandModeItems), 2, PanRadioGr);
    RG5BandMain = new RadioGroup("RG5BandMain", "", Items(kMainBandItems), 1, PanRadioGr);
    RG5BandMain->setAccessibleName("Диапазон основного массива");

    QLayout* bandRow = BuildBandRow();

    RG6Setka = new RadioGroup("RG6Setka", " &Шаг сетки частот в основном массиве ",
                              Items(kGridItems), 2, PanRadioGr);
    BuildAttributesBox();

    for (QWidget* w :
         std::initializer_list<QWidget*>{RG1ProgOb, RG2Type, RG3FrTon, RG4Band, RG5BandMain,
                                         GBoxBandSelect, RG6Setka, GBoxAttr}) {
        w->setFont(groupFont);
    }
    column->addWidget(RG1ProgOb);
    column->addLayout(versionRow);
    column->addWidget(RG2Type);
    column->addWidget(RG3FrTon);
    column->addWidget(RG4Band);
    column->addLayout(bandRow);
    column->addWidget(RG6Setka);
    column->addStretch(1);
    column->addWidget(GBoxAttr);

    RG1ProgOb->SetItemIndex(0);
    RG2Type->SetItemIndex(0);
    RG3FrTon->SetItemIndex(1);
    RG4Band->SetItemIndex(0);
    RG5BandMain->SetItemIndex(1);
    RG6Setka->SetItemIndex(0);
    return PanRadioGr;
}

// "Каналы памяти (МГц)" with its column headers; the rows come later.
QGridLayout* TFUser::BuildChannelBox(const QFont& tableFont) {
    GBoxChanell = new QGroupBox("Кана&лы памяти (МГц)", PanChanCTC);
    Describe(GBoxChanell, "Каналы памяти (МГц)", "GBoxChanell");
    GBoxChanell->setFont(tableFont);
    auto* channels = new QGridLayout(GBoxChanell);
    LabelPRD = MakeLabel(GBoxChanell, "LabelPRD", "Передача");
    LabelPRM = MakeLabel(GBoxChanell, "LabelPRM", "Приём");
    LabelPRD->setFixedHeight(kHeaderHeight);
    LabelPRM->setFixedHeight(kHeaderHeight);
    LabelPRD->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    LabelPRM->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    channels->addWidget(LabelPRD, 0, 1, Qt::AlignHCenter | Qt::AlignBottom);
    channels->addWidget(LabelPRM, 0, 2, Qt::AlignHCenter | Qt::AlignBottom);
    return channels;
}

// The scanner and CTCSS columns beside the channel table.
QGridLayout* TFUser::BuildToneBox(const QFont& tableFont) {
    // A blank title keeps the rows level with the channel table's.
    GBoxCTC = new QGroupBox(" ", PanChanCTC);
    Describe(GBoxCTC, "Сканер и CTCSS", "GBoxCTC");
    GBoxCTC->setFont(tableFont);
    auto* ctc = new QGridLayout(GBoxCTC);
    LabelScan = MakeLabel(GBoxCTC, "LabelScan", "Сканер");
    LabelCTCSS = MakeLabel(GBoxCTC, "LabelCTCSS", "CTCSS");
    LabelFrCTC = MakeLabel(GBoxCTC, "LabelFrCTC", "Частота, Гц");
    auto* ctcHeader = new QVBoxLayout;
    ctcHeader->setSpacing(0);
    ctcHeader->addWidget(LabelCTCSS, 0, Qt::AlignHCenter);
    ctcHeader->addWidget(LabelFrCTC, 0, Qt::AlignHCenter);
    auto* ctcHeaderBox = new QWidget(GBoxCTC);
    ctcHeaderBox->setLayout(ctcHeader);
    ctcHeaderBox->setFixedHeight(kHeaderHeight);
    ctc->addWidget(LabelScan, 0, 0, Qt::AlignHCenter | Qt::AlignBottom);
    ctc->addWidget(ctcHeaderBox, 0, 1);
    return ctc;
}

// Channel k: its caption, transmit and receive fields, scanner box and tone.
void TFUser::AddChannelRow(int k, QGridLayout* channels, QGridLayout* ctc,
                           const QStringList& tones) {
    const QString caption = QString::fromStdString(ChannelCaption(k));
    STChan[static_cast<std::size_t>(k)] =
        MakeLabel(GBoxChanell, qPrintable(QString("STChan%1").arg(k + 1)), caption);
    channels->addWidget(STChan[static_cast<std::size_t>(k)], k + 1, 0);
    for (int side = 0; side < 2; ++side) {
        const int number = 2 * k + side + 1;
        auto* edit = new QLineEdit(GBoxChanell);
        Describe(edit, QString::fromStdString(ChannelFieldName(k, side == 0)),
                 QString("Edit%1").arg(number));
        edit->setFixedHeight(kRowHeight);
        edit->setMinimumWidth(LineEditWidthFor(edit, kWidestFrequency));
        edit->installEventFilter(this);
        channels->addWidget(edit, k + 1, side + 1);
        channelEdits.push_back(edit);
    }
    auto* scan = new QCheckBox(GBoxCTC);
    Describe(scan, caption + ", сканер", QString("CheckBox%1").arg(k + 1));
    scan->setFixedHeight(kRowHeight);
    ctc->addWidget(scan, k + 1, 0, Qt::AlignHCenter);
    scanBoxes.push_back(scan);
    auto* tone = new ChoiceBox(QString("ComboBox%1").arg(k + 1), tones, GBoxCTC);
    tone->setAccessibleName(caption + ", CTCSS");
    tone->setFont(PixelFont(kSmallEditFontPixels));
    tone->setFixedHeight(kRowHeight);
    tone->setMinimumWidth(ComboWidthFor(tone, kWidestTone));
    tone->SetItemIndex(-1);
    ctc->addWidget(tone, k + 1, 1);
    ctcssBoxes.push_back(tone);
}

QWidget* TFUser::BuildChannelPanel() {
    PanChanell = new QFrame(PanClient);
    Describe(PanChanell, "Каналы памяти", "PanChanell");
    auto* column = new QVBoxLayout(PanChanell);
    column->setContentsMargins(2, 2, 2, 2);
    PanChanCTC = new QFrame(PanChanell);
    Describe(PanChanCTC, "Таблица каналов", "PanChanCTC");
    PanChanCTC->installEventFilter(this);
    const QFont tableFont = PixelFont(kGroupFontPixels);
    const QStringList tones = [] {
        QStringList list;
        for (int i = 0; i < kCtcssListedTones; ++i) {
            list << kCtcssToneTexts[static_cast<std::size_t>(i)];
        }
        return list;
    }();

    QGridLayout* channels = BuildChannelBox(tableFont);
    QGridLayout* ctc = BuildToneBox(tableFont);

    for (int k = 0; k < kChannelCount; ++k) {
        AddChannelRow(k, channels, ctc, tones);
    }
    channels->setRowStretch(kChannelCount + 1, 1);
    ctc->setRowStretch(kChannelCount + 1, 1);

    ButClear = new QPushButton("Оч&истить каналы памяти", PanChanell);
    Describe(ButClear, "Очистить каналы памяти", "ButClear");
    ButClear->setToolTip("Щёлкните указателем мыши на поле канала, с которого удалить");
    ButClear->setCursor(Qt::PointingHandCursor);
    // The two boxes are placed by FormPaint, in proportion: the table needs
    // room for both at their least.
    const QSize table = GBoxChanell->minimumSizeHint();
    const QSize toneBoxes = GBoxCTC->minimumSizeHint();
    const int width = std::max(table.width() * kTableShareDenominator / kTableShareNumerator + 1,
                               toneBoxes.width() * kTableShareDenominator /
                                       (kTableShareDenominator - kTableShareNumerator) +
                                   1);
    PanChanCTC->setMinimumSize(width, std::max(table.height(), toneBoxes.height()));
    column->addWidget(PanChanCTC, 1);
    column->addWidget(ButClear, 0, Qt::AlignHCenter);
    return PanChanell;
}

void TFUser::SetTabOrder() {
    // The command column top to bottom, then the panels: Shift+Tab from
    // Конфигурация goes up to Тест, never round to Очистить каналы памяти.
    std::vector<QWidget*> order = {ButAbout, ButTest,   ButSetConf, ButProg, ButPrFrec,
                                   ButRead,  ButRdFile, ButWrFile,  ButHelp, ButExit};
    for (RadioGroup* g : {RG1ProgOb}) {
        for (int i = 0; i < g->Count(); ++i) {
            order.push_back(g->Button(i));
        }
    }
    order.push_back(ComboBoxVer);
    order.push_back(ButDetail);
    for (RadioGroup* g : {RG2Type, RG3FrTon, RG4Band, RG5BandMain}) {
        for (int i = 0; i < g->Count(); ++i) {
            order.push_back(g->Button(i));
        }
    }
    order.push_back(EditFrec1);
    order.push_back(EditFrec2);
    for (int i = 0; i < RG6Setka->Count(); ++i) {
        order.push_back(RG6Setka->Button(i));
    }
    order.push_back(CheckBoxProtect);
    order.insert(order.end(), channelEdits.begin(), channelEdits.end());
    for (int k = 0; k < kChannelCount; ++k) {
        order.push_back(scanBoxes[static_cast<std::size_t>(k)]);
        order.push_back(ctcssBoxes[static_cast<std::size_t>(k)]);
    }
    order.push_back(ButClear);
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }
}

} // namespace zekt

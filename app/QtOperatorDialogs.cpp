#include "QtOperatorDialogs.h"

#include <QApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <utility>

namespace zekt {

namespace {

// The style's standard icon of a box; none for a plain box.
QIcon IconOf(BoxIcon icon, const QStyle* style) {
    switch (icon) {
    case BoxIcon::Error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case BoxIcon::Warning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case BoxIcon::Information:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case BoxIcon::Question:
        return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case BoxIcon::None:
        break;
    }
    return {};
}

// Room for the title bar's buttons and margins beside the title text.
constexpr int kTitleBarAllowance = 120;

std::optional<QString> Chosen(const QString& path, const FileDialogRequest& request) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    if (request.changesWorkingDir) {
        QDir::setCurrent(QFileInfo(path).absolutePath());
    }
    return path;
}

constexpr QFileDialog::Options kDialogOptions = QFileDialog::HideNameFilterDetails;

const QLocale& Russian() {
    static const QLocale russian(QLocale::Russian, QLocale::Russia);
    return russian;
}

constexpr int kSizeColumn = 1;
constexpr int kTypeColumn = 2;
constexpr int kDateColumn = 3;

// The file chosen in Qt's own file dialog with Russian details, or in the
// system's where the platform has one; empty when cancelled.
QString ChooseFile(QWidget* parent, const FileDialogRequest& request,
                   QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.title, request.initialDir, QtFileFilter(request.filter));
    dialog.setOptions(kDialogOptions);
    dialog.setAcceptMode(mode);
    // No default suffix: a name typed without one is used as typed.
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setProxyModel(new RussianFileDetails(&dialog));
    FitDetailColumns(dialog);
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(request.fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

// "1,30 КБ": Qt's own texts leave the units in English.
QString RussianSize(qint64 bytes) {
    static const std::array<const char*, 5> kUnits = {"байт", "КБ", "МБ", "ГБ", "ТБ"};
    constexpr double kStep = 1024.0;
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= kStep && unit + 1 < kUnits.size()) {
        value /= kStep;
        ++unit;
    }
    const QString number =
        unit == 0 ? Russian().toString(bytes) : Russian().toString(value, 'f', 2);
    return number + ' ' + QString::fromUtf8(kUnits[unit]);
}

} // namespace

QVariant RussianFileDetails::data(const QModelIndex& index, int role) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr ||
        (index.column() != kSizeColumn && index.column() != kDateColumn)) {
        return QIdentityProxyModel::data(index, role);
    }
    const QFileInfo info = files->fileInfo(mapToSource(index));
    if (index.column() == kDateColumn) {
        return Russian().toString(info.lastModified(), QLocale::ShortFormat);
    }
    return info.isDir() ? QString() : RussianSize(info.size());
}

void FitDetailColumns(QFileDialog& dialog) {
    auto* view = dialog.findChild<QTreeView*>();
    if (view == nullptr) {
        return; // the system's own dialog
    }
    const int margin = view->style()->pixelMetric(QStyle::PM_HeaderMargin) * 4;
    const auto room = [&](const QString& text) {
        return view->fontMetrics().horizontalAdvance(text) + margin;
    };
    const QString widestDate =
        Russian().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 58)), QLocale::ShortFormat);
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    for (const auto& [column, widest] : {std::pair{kSizeColumn, QString("999,99 КБ")},
                                         std::pair{kTypeColumn, QString("Текстовый документ")},
                                         std::pair{kDateColumn, widestDate}}) {
        header->resizeSection(column, std::max(header->sectionSize(column), room(widest)));
    }
    // Wide enough to show them all beside the places list, when the screen is.
    constexpr int kBesideTheList = 300;
    dialog.resize(std::max(dialog.width(), header->length() + kBesideTheList), dialog.height());
}

void RestoreIfMinimised(QWidget* window, QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && window->isMinimized()) {
        QTimer::singleShot(0, window, [window] {
            if (QWidget* owner = window->parentWidget(); owner != nullptr) {
                owner->window()->showNormal();
            }
            window->showNormal();
            window->raise();
            window->activateWindow();
        });
    }
}

void OperatorBox::changeEvent(QEvent* event) {
    RestoreIfMinimised(this, event);
    QDialog::changeEvent(event);
}

QString QtFileFilter(const QString& filter) {
    // Qt reads the patterns from the parentheses at the end and, with
    // HideNameFilterDetails, shows only what stands before them: the
    // description exactly as written. "*.*" means every file, with a dot in
    // its name or not.
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern == "*.*" ? "*" : pattern;
        }
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

OperatorBox::OperatorBox(const QString& text, const QString& title, BoxIcon icon,
                         BoxButtons buttons, QWidget* parent, const QString& advice)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      label(new QLabel(text)) {
    setWindowTitle(title);
    setAccessibleName(title);
    setAccessibleDescription(advice.isEmpty() ? text : text + "\n\n" + advice);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // the text decides; never resized
    layout->setHorizontalSpacing(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing) * 2);
    const QIcon shown = IconOf(icon, style());
    if (!shown.isNull()) {
        auto* picture = new QLabel;
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        picture->setPixmap(shown.pixmap(size, size));
        picture->setAlignment(Qt::AlignTop);
        layout->addWidget(picture, 0, 0);
    }
    layout->addWidget(label, 0, 1, Qt::AlignLeft | Qt::AlignVCenter);
    if (!advice.isEmpty()) {
        // Below the fault's own words: what to do about it.
        adviceLabel = new QLabel(advice);
        adviceLabel->setObjectName("advice");
        adviceLabel->setTextFormat(Qt::PlainText);
        adviceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        adviceLabel->setContentsMargins(0, style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing),
                                        0, 0);
        layout->addWidget(adviceLabel, 1, 1, Qt::AlignLeft | Qt::AlignTop);
    }
    layout->setColumnStretch(1, 1); // a wide title widens the text's column, not the icon's
    auto* box = new QDialogButtonBox(buttons == BoxButtons::OkCancel
                                         ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                         : QDialogButtonBox::Ok);
    box->setCenterButtons(true);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box, 2, 0, 1, 2);
    box->button(QDialogButtonBox::Ok)->setDefault(true);
    box->button(QDialogButtonBox::Ok)->setFocus();

    // Only a line wider than the screen may wrap.
    const QScreen* screen = parent != nullptr && parent->screen() != nullptr
                                ? parent->screen()
                                : QGuiApplication::primaryScreen();
    const int available = screen != nullptr ? screen->availableGeometry().width() : 1024;
    label->setWordWrap(label->sizeHint().width() > available * 9 / 10);
    // The whole title shows in the title bar.
    const int titleWidth =
        QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title) +
        kTitleBarAllowance;
    box->setMinimumWidth(std::min(titleWidth, available * 9 / 10));
}

namespace {

// A box or dialog belongs to the program's window the operator was looking
// at (the journal view, the progress window), which gets the focus back when
// it closes: not the main window behind it, where the next Enter would land
// on a command.
class OpenedFrom {
public:
    explicit OpenedFrom(QWidget* fallback) {
        QWidget* active = QApplication::activeWindow();
        window = active != nullptr && active->isVisible() ? active : fallback;
    }
    ~OpenedFrom() {
        if (window != nullptr && window->isVisible()) {
            window->raise();
            window->activateWindow();
        }
    }
    OpenedFrom(const OpenedFrom&) = delete;
    OpenedFrom& operator=(const OpenedFrom&) = delete;
    QWidget* Window() const { return window; }

private:
    QPointer<QWidget> window;
};

} // namespace

BoxResult QtOperatorDialogs::Message(const QString& text, const QString& title, BoxIcon icon,
                                     BoxButtons buttons, const QString& advice) {
    const OpenedFrom opener(parent);
    OperatorBox box(text, title, icon, buttons, opener.Window(), advice);
    const bool ok = box.exec() == QDialog::Accepted;
    return ok || buttons == BoxButtons::Ok ? BoxResult::Ok : BoxResult::Cancel;
}

std::optional<QString> QtOperatorDialogs::OpenFile(const FileDialogRequest& request) {
    const OpenedFrom opener(parent);
    return Chosen(ChooseFile(opener.Window(), request, QFileDialog::AcceptOpen), request);
}

std::optional<QString> QtOperatorDialogs::SaveFile(SaveDialog, const FileDialogRequest& request) {
    const OpenedFrom opener(parent);
    return Chosen(ChooseFile(opener.Window(), request, QFileDialog::AcceptSave), request);
}

void QtOperatorDialogs::Beep() {
    QApplication::beep();
}

std::optional<QString> QtOperatorDialogs::AskLine(const QString& label, const QString& title) {
    const OpenedFrom opener(parent);
    QDialog dialog(opener.Window());
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(label, &dialog));
    auto* line = new QLineEdit(&dialog);
    line->setMinimumWidth(line->fontMetrics().horizontalAdvance(QString(24, QChar('0'))));
    layout->addWidget(line);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    line->setFocus(); // a scanner types at once
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return line->text();
}

} // namespace zekt

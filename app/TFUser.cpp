#include "TFUser.h"

#include "AppMessages.h"
#include "Artwork.h"
#include "CommandMessages.h"
#include "FrequencyCodec.h"
#include "PanelTexts.h"
#include "QtOperatorDialogs.h"
#include "TForm1.h"
#include "TForm2.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace zekt {

namespace {

constexpr int kBaseFontPixels = 13;
constexpr int kGroupFontPixels = 18;
constexpr int kSmallEditFontPixels = 17;
constexpr int kCommandColumnWidth = 200;
constexpr int kOptionsPanelWidth = 440;
constexpr int kWindowWidth = 1300;
constexpr int kWindowHeight = 790;
constexpr int kRowHeight = 26;
constexpr int kHeaderHeight = 52;
constexpr int kTableShareNumerator = 50;
constexpr int kTableShareDenominator = 81;
constexpr int kVersionItem611 = 2;
constexpr int kYearModulus = 4096;

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
    auto* button = new QPushButton(caption, parent);
    Describe(button, caption, name);
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumHeight(height);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    Describe(label, text, name);
    return label;
}

QString ChannelCaption(int k) {
    return QString("Канал %1").arg(QChar(kChannelNames[k]));
}

} // namespace

TFUser::TFUser(FtdiDriver& driver, OperatorDialogs* dialogs, QWidget* parent)
    : QWidget(parent), ownDialogs(dialogs ? nullptr : std::make_unique<QtOperatorDialogs>(this)),
      dialogs(dialogs ? dialogs : ownDialogs.get()) {
    setObjectName("FUser");
    setWindowTitle(msg::kMainCaption);
    setFont(PixelFont(kBaseFontPixels));
    resize(kWindowWidth, kWindowHeight);

    BuildCommandColumn();
    BuildConfigurationArea();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PanButton);
    auto* area = new QWidget(this);
    auto* stack = new QGridLayout(area);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(Image1, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    stack->addWidget(PanClient, 0, 0);
    layout->addWidget(area, 1);
    PanClient->raise();
    PanClient->hide();
    windowPalette = palette();

    startDir.clear();
    firmwareFile.clear();
    const QDate today = QDate::currentDate();
    progDate = {today.day(), today.month(), today.year()};
    LabelDate->setText(QString("%1.%2.%3")
                           .arg(progDate.day)
                           .arg(progDate.month)
                           .arg(progDate.year % kYearModulus));
    image = std::make_unique<Project>();
    link = std::make_unique<USB_Prog>(driver);
    startDir = QDir::currentPath();
    ComboBoxVer->SetItemIndex(kVersionItem611);
    clearFrom = -1;

    SetTabOrder();
    ConnectHandlers();
    Form1 = new TForm1(this);
    Form2 = new TForm2(this);
}

TFUser::~TFUser() = default;

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
    ButAbout = CommandButton(PanButton, "ButAbout", "О программе", "Краткая информация", 30);
    ButTest = CommandButton(PanButton, "ButTest", "Тест",
                            "Тест исправности и подключения программатора", 30);
    ButSetConf =
        CommandButton(PanButton, "ButSetConf", "Конфигурация", "Включить панели конфигурации", 48);
    ButProg = CommandButton(PanButton, "ButProg", "Программирование",
                            "Записать программу в радиостанцию", 48);
    ButPrFrec = CommandButton(PanButton, "ButPrFrec", "Запись частот",
                              "Записать только данные в радиостанцию", 48);
    ButRead = CommandButton(PanButton, "ButRead", "Чтение конфигурации",
                            "Прочить данные конфигурации из радиостанции", 48);
    ButRdFile = CommandButton(PanButton, "ButRdFile", "Читать из файла",
                              "Прочитать сохранённую конфигурацию из файла", 30);
    ButWrFile = CommandButton(PanButton, "ButWrFile", "Сохранить в файле",
                              "Сохранить текущую конфигурацию в файле", 30);
    ButHelp = CommandButton(PanButton, "ButHelp", "Помощь", "Вызов файла справки", 30);
    ButExit = CommandButton(PanButton, "ButExit", "Выход", "Выход из программы", 30);

    column->addWidget(LabelDate);
    column->addWidget(ButAbout);
    column->addWidget(ButTest);
    column->addSpacing(24);
    for (QPushButton* b : {ButSetConf, ButProg, ButPrFrec, ButRead}) {
        column->addWidget(b);
    }
    column->addSpacing(24);
    column->addWidget(ButRdFile);
    column->addWidget(ButWrFile);
    column->addSpacing(48);
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

QWidget* TFUser::BuildOptionsPanel() {
    PanRadioGr = new QFrame(PanClient);
    Describe(PanRadioGr, "Параметры радиостанции", "PanRadioGr");
    PanRadioGr->setFixedWidth(kOptionsPanelWidth);
    auto* column = new QVBoxLayout(PanRadioGr);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(4);
    const QFont groupFont = PixelFont(kGroupFontPixels);

    RG1ProgOb = new RadioGroup("RG1ProgOb", " Программное обеспечение ", Items(kSoftwareItems), 1,
                               PanRadioGr);
    auto* versionRow = new QHBoxLayout;
    STVersii = MakeLabel(PanRadioGr, "STVersii", "Версия:");
    ComboBoxVer = new ChoiceBox("ComboBoxVer", {"4.1.0", "6.1.0", "6.1.1"}, PanRadioGr);
    ComboBoxVer->setAccessibleName("Версия");
    QPalette tip = ComboBoxVer->palette();
    tip.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
    ComboBoxVer->setPalette(tip);
    ButDetail = new QPushButton("Подробнее...", PanRadioGr);
    Describe(ButDetail, "Подробнее...", "ButDetail");
    ButDetail->setToolTip("Подробнее о версии программного обеспечения");
    ButDetail->setCursor(Qt::PointingHandCursor);
    ButDetail->setFont(PixelFont(kBaseFontPixels, true));
    versionRow->addWidget(STVersii);
    versionRow->addWidget(ComboBoxVer, 1);
    versionRow->addWidget(ButDetail);

    RG2Type = new RadioGroup("RG2Type", " Тип радиостанции ", Items(kTypeItems), 1, PanRadioGr);
    RG3FrTon = new RadioGroup("RG3FrTon", " Частота тонального вызова ", Items(kTonePairItems), 1,
                              PanRadioGr);
    RG4Band = new RadioGroup("RG4Band", " Диапазон частот основного массива ",
                             Items(kBandModeItems), 2, PanRadioGr);
    RG5BandMain = new RadioGroup("RG5BandMain", "", Items(kMainBandItems), 1, PanRadioGr);
    RG5BandMain->setAccessibleName("Диапазон основного массива");

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

    RG6Setka = new RadioGroup("RG6Setka", " Шаг сетки частот в основном массиве ",
                              Items(kGridItems), 2, PanRadioGr);
    GBoxAttr = new QGroupBox(" Аттрибуты программирования ", PanRadioGr);
    Describe(GBoxAttr, "Аттрибуты программирования", "GBoxAttr");
    auto* attr = new QVBoxLayout(GBoxAttr);
    CheckBoxProtect = new QCheckBox("Защита программы от чтения", GBoxAttr);
    Describe(CheckBoxProtect, "Защита программы от чтения", "CheckBoxProtect");
    CheckBoxProtect->setStyleSheet(
        "QCheckBox { background-color: #008080; color: white; padding: 4px; }");
    attr->addWidget(CheckBoxProtect);

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

    GBoxChanell = new QGroupBox("Каналы памяти (МГц)", PanChanCTC);
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

    for (int k = 0; k < kChannelCount; ++k) {
        const QString caption = ChannelCaption(k);
        STChan[static_cast<std::size_t>(k)] =
            MakeLabel(GBoxChanell, qPrintable(QString("STChan%1").arg(k + 1)), caption);
        channels->addWidget(STChan[static_cast<std::size_t>(k)], k + 1, 0);
        for (int side = 0; side < 2; ++side) {
            const int number = 2 * k + side + 1;
            auto* edit = new QLineEdit(GBoxChanell);
            Describe(edit, caption + (side == 0 ? ", передача" : ", приём"),
                     QString("Edit%1").arg(number));
            edit->setFixedHeight(kRowHeight);
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
        tone->SetItemIndex(-1);
        ctc->addWidget(tone, k + 1, 1);
        ctcssBoxes.push_back(tone);
    }
    channels->setRowStretch(kChannelCount + 1, 1);
    ctc->setRowStretch(kChannelCount + 1, 1);

    ButClear = new QPushButton("Очистить каналы памяти", PanChanell);
    Describe(ButClear, "Очистить каналы памяти", "ButClear");
    ButClear->setToolTip("Щёлкните указателем мыши на поле канала, с которого удалить");
    ButClear->setCursor(Qt::PointingHandCursor);
    column->addWidget(PanChanCTC, 1);
    column->addWidget(ButClear, 0, Qt::AlignHCenter);
    return PanChanell;
}

void TFUser::SetTabOrder() {
    std::vector<QWidget*> order = {ButSetConf, ButProg, ButPrFrec, ButRead,  ButRdFile,
                                   ButWrFile,  ButHelp, ButExit,   ButAbout, ButTest};
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

void TFUser::ConnectHandlers() {
    auto on = [this](QPushButton* button, void (TFUser::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    on(ButSetConf, &TFUser::ButSetConfClick);
    on(ButTest, &TFUser::ButTestClick);
    on(ButAbout, &TFUser::ButAboutClick);
    on(ButDetail, &TFUser::ButDetailClick);
    on(ButHelp, &TFUser::ButHelpClick);
    on(ButExit, &TFUser::ButExitClick);
    on(ButClear, &TFUser::ButClearClick);
    on(ButProg, &TFUser::ButProgClick);
    on(ButPrFrec, &TFUser::ButPrFrecClick);
    on(ButRead, &TFUser::ButReadClick);
    on(ButWrFile, &TFUser::ButWrFileClick);
    on(ButRdFile, &TFUser::ButRdFileClick);
    connect(RG2Type, &RadioGroup::Click, this, [this] { Guarded([this] { RG2TypeClick(); }); });
    connect(RG4Band, &RadioGroup::Click, this, [this] { Guarded([this] { RG4BandClick(); }); });
    EditFrec1->installEventFilter(this);
    EditFrec2->installEventFilter(this);
}

void TFUser::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ErrorMessage(*dialogs, QString::fromUtf8(error.what()));
    }
}

RadioConfig TFUser::GetRadioConfig() const {
    RadioConfig c;
    c.software = RG1ProgOb->ItemIndex();
    c.version = ComboBoxVer->ItemIndex();
    c.radioType = RG2Type->ItemIndex();
    c.tonePair = RG3FrTon->ItemIndex();
    c.bandMode = RG4Band->ItemIndex();
    c.mainBand = RG5BandMain->ItemIndex();
    c.gridStep = RG6Setka->ItemIndex();
    c.readProtect = CheckBoxProtect->isChecked();
    c.bandLow = EditFrec1->text().toStdString();
    c.bandHigh = EditFrec2->text().toStdString();
    for (int k = 0; k < kChannelCount; ++k) {
        ChannelConfig& channel = c.channels[static_cast<std::size_t>(k)];
        channel.tx = channelEdits[static_cast<std::size_t>(2 * k)]->text().toStdString();
        channel.rx = channelEdits[static_cast<std::size_t>(2 * k + 1)]->text().toStdString();
        channel.ctcss = ctcssBoxes[static_cast<std::size_t>(k)]->ItemIndex();
        channel.scan = scanBoxes[static_cast<std::size_t>(k)]->isChecked();
    }
    return c;
}

void TFUser::SetRadioConfig(const RadioConfig& c) {
    // In the order of the binding: the type's handler may empty the band
    // limits, which are written after it.
    RG1ProgOb->SetItemIndex(c.software);
    ComboBoxVer->SetItemIndex(c.version);
    RG2Type->SetItemIndex(c.radioType);
    RG3FrTon->SetItemIndex(c.tonePair);
    RG4Band->SetItemIndex(c.bandMode);
    RG5BandMain->SetItemIndex(c.mainBand);
    RG6Setka->SetItemIndex(c.gridStep);
    CheckBoxProtect->setChecked(c.readProtect);
    EditFrec1->setText(QString::fromStdString(c.bandLow));
    EditFrec2->setText(QString::fromStdString(c.bandHigh));
    for (int k = 0; k < kChannelCount; ++k) {
        const ChannelConfig& channel = c.channels[static_cast<std::size_t>(k)];
        channelEdits[static_cast<std::size_t>(2 * k)]->setText(QString::fromStdString(channel.tx));
        channelEdits[static_cast<std::size_t>(2 * k + 1)]->setText(
            QString::fromStdString(channel.rx));
        ctcssBoxes[static_cast<std::size_t>(k)]->SetItemIndex(channel.ctcss);
        scanBoxes[static_cast<std::size_t>(k)]->setChecked(channel.scan);
    }
}

void TFUser::ShowConfig() {
    PanClient->show();
    if (RG2Type->ItemIndex() == 0) {
        RG4Band->setEnabled(true);
        RG6Setka->setEnabled(true);
        const bool preset = RG4Band->ItemIndex() == 0;
        RG5BandMain->setEnabled(preset);
        EditFrec1->setVisible(!preset);
        EditFrec2->setVisible(!preset);
    } else if (RG2Type->ItemIndex() == 1) {
        RG4Band->setEnabled(false);
        RG5BandMain->setEnabled(false);
        RG6Setka->setEnabled(false);
        EditFrec1->hide();
        EditFrec2->hide();
    }
}

void TFUser::HideConfig() {
    PanClient->hide();
}

void TFUser::DisableCommands() {
    PanButton->setEnabled(false);
}

void TFUser::EnableCommands() {
    PanButton->setEnabled(true);
}

void TFUser::SetFieldColour(QLineEdit* field, FieldColour colour) {
    QPalette p = field->palette();
    switch (colour) {
    case FieldColour::Window:
        p.setColor(QPalette::Base, windowPalette.color(QPalette::Base));
        break;
    case FieldColour::Red:
        p.setColor(QPalette::Base, Qt::red);
        break;
    case FieldColour::ButtonFace:
        p.setColor(QPalette::Base, windowPalette.color(QPalette::Button));
        break;
    }
    field->setPalette(p);
}

FieldColour TFUser::FieldColourOf(const QLineEdit* field) const {
    const QColor base = field->palette().color(QPalette::Base);
    if (base == QColor(Qt::red)) {
        return FieldColour::Red;
    }
    return base == windowPalette.color(QPalette::Base) ? FieldColour::Window
                                                       : FieldColour::ButtonFace;
}

void TFUser::ButSetConfClick() {
    ShowConfig();
    for (QLineEdit* edit : channelEdits) {
        SetFieldColour(edit, FieldColour::Window);
        edit->setEnabled(true);
    }
    for (QCheckBox* box : scanBoxes) {
        box->setEnabled(true);
    }
    for (ChoiceBox* box : ctcssBoxes) {
        box->setEnabled(true);
    }
}

void TFUser::ButTestClick() {
    if (link->Test()) {
        dialogs->Message(msg::kTestPassed, msg::kTestPassedCaption, BoxIcon::None, BoxButtons::Ok);
    } else {
        dialogs->Message(msg::kTestFailed, msg::kTestButtonFailedCaption, BoxIcon::Error,
                         BoxButtons::Ok);
    }
}

void TFUser::ButAboutClick() {
    Form1->exec();
}

void TFUser::ButDetailClick() {
    const int version = GetRadioConfig().version;
    if (version < 0 || version >= static_cast<int>(msg::kVersionDetails.size())) {
        return;
    }
    const msg::VersionDetails& details = msg::kVersionDetails[static_cast<std::size_t>(version)];
    dialogs->Message(details.text, details.caption, BoxIcon::Information, BoxButtons::Ok);
}

void TFUser::ButHelpClick() {
    dialogs->Message(msg::kHelpText, msg::kHelpCaption, BoxIcon::Error, BoxButtons::Ok);
}

void TFUser::ButExitClick() {
    if (dialogs->Message(msg::kExitQuestion, msg::kExitCaption, BoxIcon::Question,
                         BoxButtons::OkCancel) == BoxResult::Ok) {
        close();
    }
}

void TFUser::closeEvent(QCloseEvent* event) {
    // Closing the main window by any means closes the other two.
    Form1->close();
    Form2->close();
    QWidget::closeEvent(event);
}

void TFUser::ButClearClick() {
    if (clearFrom == -1) {
        clearFrom = 0;
    }
    const int start = clearFrom;
    const int fields = static_cast<int>(channelEdits.size());
    for (int i = start; i < fields; ++i) {
        channelEdits[static_cast<std::size_t>(i)]->clear();
    }
    clearFrom = fields;
    for (int j = start / 2; j < kChannelCount; ++j) {
        scanBoxes[static_cast<std::size_t>(j)]->setChecked(false);
        ctcssBoxes[static_cast<std::size_t>(j)]->SetItemIndex(-1);
    }
    // Exhausted: there is no field to go to.
    if (start < fields) {
        channelEdits[static_cast<std::size_t>(start)]->setFocus();
    }
}

void TFUser::RG2TypeClick() {
    if (RG2Type->ItemIndex() == 1) {
        RG4Band->setEnabled(false);
        RG5BandMain->setEnabled(false);
        RG6Setka->setEnabled(false);
        GBoxBandSelect->setEnabled(false);
        EditFrec1->hide();
        EditFrec2->hide();
    } else if (RG2Type->ItemIndex() == 0) {
        RG4Band->setEnabled(true);
        RG6Setka->setEnabled(true);
        GBoxBandSelect->setEnabled(true);
        RG4BandClick();
    }
}

void TFUser::RG4BandClick() {
    if (RG4Band->ItemIndex() == 1) {
        RG5BandMain->setEnabled(false);
        EditFrec1->show();
        EditFrec2->show();
    } else if (RG4Band->ItemIndex() == 0) {
        RG5BandMain->setEnabled(true);
        EditFrec1->clear();
        EditFrec2->clear();
        EditFrec1->hide();
        EditFrec2->hide();
    }
}

void TFUser::CheckBandLimit(QLineEdit* edit, LimitCheck (*check)(const std::string&)) {
    if (checkingLimit) {
        return;
    }
    checkingLimit = true;
    const LimitCheck result = check(edit->text().toStdString());
    if (result.outcome == LimitCheck::Outcome::Refused) {
        dialogs->Message(
            QString::fromStdString(result.message), QString::fromStdString(result.caption),
            result.informationIcon ? BoxIcon::Information : BoxIcon::None, BoxButtons::Ok);
        edit->clear();
    } else if (result.outcome == LimitCheck::Outcome::NotANumber) {
        ErrorMessage(*dialogs, QString::fromStdString(result.message));
    }
    if (result.outcome != LimitCheck::Outcome::Accepted) {
        // The operator cannot leave the field with a refused value.
        edit->setFocus();
    }
    checkingLimit = false;
}

void TFUser::EditFrec1Exit() {
    CheckBandLimit(EditFrec1, &CheckLowerBandLimit);
}

void TFUser::EditFrec2Exit() {
    CheckBandLimit(EditFrec2, &CheckUpperBandLimit);
}

void TFUser::Edit1MouseDown(QLineEdit*) {
    for (std::size_t i = 0; i < channelEdits.size(); ++i) {
        if (channelEdits[i]->hasFocus()) {
            clearFrom = static_cast<int>(i);
            return;
        }
    }
}

namespace {

// A radio button of an option group is a tab stop only while it is the
// group's selected item (or the group has none).
bool IsTabStop(QWidget* w) {
    if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled()) {
        return false;
    }
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        if (radio->isChecked()) {
            return true;
        }
        const auto* group = qobject_cast<RadioGroup*>(radio->parentWidget());
        return group != nullptr && group->ItemIndex() < 0;
    }
    return true;
}

} // namespace

bool TFUser::Edit1KeyDown(QLineEdit* sender, int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) {
        return false;
    }
    for (QWidget* w = sender->nextInFocusChain(); w != sender; w = w->nextInFocusChain()) {
        if (w->window() == window() && IsTabStop(w)) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    return false; // the key still reaches the field
}

void TFUser::FormPaint() {
    const int width = PanChanCTC->width();
    const int height = PanChanCTC->height();
    const int tableWidth = width * kTableShareNumerator / kTableShareDenominator;
    GBoxChanell->setGeometry(0, 0, tableWidth, height);
    GBoxCTC->setGeometry(tableWidth, 0, width - tableWidth, height);
}

bool TFUser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PanChanCTC &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        FormPaint();
        return false;
    }
    if (watched == EditFrec1 || watched == EditFrec2) {
        if (event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Leaving the field, not the window or a menu.
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                Guarded([&] { watched == EditFrec1 ? EditFrec1Exit() : EditFrec2Exit(); });
            }
        }
        return false;
    }
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr &&
        std::find(channelEdits.begin(), channelEdits.end(), edit) != channelEdits.end()) {
        if (event->type() == QEvent::MouseButtonPress) {
            Edit1MouseDown(edit);
        } else if (event->type() == QEvent::KeyPress) {
            Edit1KeyDown(edit, static_cast<QKeyEvent*>(event)->key());
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zekt

#include "TJournal.h"

#include "Journal.h"
#include "OperatorDialogs.h"
#include "SafeFile.h"
#include "SideWindow.h"

#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <thread>

namespace zekt {

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 560;
// A week back: what an operator looks for first.
constexpr int kDaysShown = 7;
// How long a going window waits for its lookups. A local scan stops within a
// line; only a slow disk's read or a server slow to answer a statement takes
// longer, and that lookup ends alone at its own deadline.
constexpr std::chrono::milliseconds kLookupPatience{2000};

const char* const kResults[] = {"", kJournalOk, kJournalFailed, kJournalCancelled, kJournalRefused};

struct TableColumn {
    const char* title;
    JournalColumn column; // kJournalColumns: the run's bench
};
const TableColumn kTableColumns[] = {
    {"Время", kTimeColumn},
    {"Команда", kCommandColumn},
    {"Итог", kResultColumn},
    {"Программатор", kUnitColumn},
    {"Радиостанция", kRadioColumn},
    {"Место", kJournalColumns},
    {"Файл конфигурации", kConfigFileColumn},
    {"Сообщение", kMessageColumn},
};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// A record's time as the operator reads it ("08.12.2026 23:30:03"), on the
// clock of the bench that made it: the day shown is the day the filter
// looks for, whatever zone this computer is in now. A time that is none
// stays as written.
QString ShownTime(const std::string& recorded) {
    const QDateTime time = QDateTime::fromString(Text(recorded), Qt::ISODate);
    return time.isValid() ? time.toString("dd.MM.yyyy HH:mm:ss") : Text(recorded);
}

// A URI as the window may show it: never a password.
QString Shown(const std::string& uri) {
    return UriHasPassword(uri) ? QString("(адрес с паролем)") : Text(uri);
}

// The notices the view keeps shown.
constexpr int kNoticesShown = 5;

} // namespace

TJournal::TJournal(OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs(dialogs), lookup(std::make_shared<Lookup>()) {
    lookup->window = this;
    setObjectName("Journal");
    setWindowTitle("Журнал работ");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    LabelSource = new QLabel(this);
    LabelSource->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(LabelSource);
    layout->addWidget(BuildFilters());
    Runs = new QTableWidget(0, static_cast<int>(std::size(kTableColumns)), this);
    Runs->setObjectName("JournalRuns");
    Runs->setAccessibleName("Работы");
    QStringList titles;
    for (const TableColumn& c : kTableColumns) {
        titles << c.title;
    }
    Runs->setHorizontalHeaderLabels(titles);
    Runs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Runs->setSelectionBehavior(QAbstractItemView::SelectRows);
    Runs->setSelectionMode(QAbstractItemView::SingleSelection);
    Runs->horizontalHeader()->setStretchLastSection(true);
    Runs->verticalHeader()->setVisible(false);
    layout->addWidget(Runs, 1);
    LabelFound = new QLabel(this);
    layout->addWidget(LabelFound);
    // The program's notices (the shared journal gone or back), latest last.
    LabelNotices = new QLabel(this);
    LabelNotices->setObjectName("JournalNotices");
    LabelNotices->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LabelNotices->setWordWrap(true); // a long message never widens the view off the screen
    LabelNotices->hide();
    layout->addWidget(LabelNotices);
    QDialogButtonBox* buttons = AddCloseButton(*this, *layout);
    ButSaveCopy =
        buttons->addButton("Сохранить &копию радиостанции...", QDialogButtonBox::ActionRole);
    connect(ButSaveCopy, &QPushButton::clicked, this, &TJournal::SaveCopy);
    ButReport = buttons->addButton("&Отчёт...", QDialogButtonBox::ActionRole);
    connect(ButReport, &QPushButton::clicked, this, &TJournal::SaveReport);
    ResizeWithinScreen(*this, {kWidth, kHeight});
}

QWidget* TJournal::BuildFilters() {
    auto* filters = new QWidget(this);
    auto* rows = new QVBoxLayout(filters);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* first = new QHBoxLayout;
    auto* second = new QHBoxLayout;
    rows->addLayout(first);
    rows->addLayout(second);
    const auto labelled = [filters](QHBoxLayout* row, const QString& label, QWidget* field) {
        auto* caption = new QLabel(label, filters);
        caption->setBuddy(field);
        field->setAccessibleName(QString(label).remove('&'));
        row->addWidget(caption);
        row->addWidget(field);
    };
    // Wide enough for what the field is for, on the smallest screen too.
    const auto edit = [&](QHBoxLayout* row, const QString& label, const QString& hint,
                          QLineEdit*& field) {
        field = new QLineEdit(filters);
        field->setPlaceholderText(hint);
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(hint + "MM"));
        labelled(row, label, field);
        // Enter in a field presses Найти, the dialog's default button (a
        // lookup of its own here as well would say each refusal twice);
        // while a lookup runs Найти is off, and Enter asks anew by itself,
        // after the key (which would otherwise find the button on again).
        connect(field, &QLineEdit::returnPressed, this, [this] {
            if (!ButFind->isEnabled()) {
                QTimer::singleShot(0, this, &TJournal::Find);
            }
        });
    };
    edit(first, "&С", "ГГГГ-ММ-ДД", EditSince);
    edit(first, "&по", "ГГГГ-ММ-ДД", EditUntil);
    EditSince->setText(QDate::currentDate().addDays(-kDaysShown).toString(Qt::ISODate));
    ComboResult = new QComboBox(filters);
    for (const char* result : kResults) {
        ComboResult->addItem(*result != '\0' ? Text(JournalResultText(result)) : "все", result);
    }
    labelled(first, "&Итог", ComboResult);
    edit(first, "Про&грамматор", "серийный номер", EditUnit);
    edit(first, "&Место", "имя компьютера", EditBench);
    edit(second, "&Радиостанция", "номер с корпуса", EditRadio);
    edit(second, "&Файл конфигурации", "все файлы; или файл *.prg", EditConfig);
    ButConfig = new QPushButton("&Выбрать...", filters);
    connect(ButConfig, &QPushButton::clicked, this, &TJournal::ChooseConfig);
    second->addWidget(ButConfig);
    ButFind = new QPushButton("&Найти", filters);
    ButFind->setDefault(true);
    connect(ButFind, &QPushButton::clicked, this, &TJournal::Find);
    second->addWidget(ButFind);
    return filters;
}

void TJournal::Use(JournalSource journal, std::function<int()> waitingNow) {
    source = std::move(journal);
    waiting = std::move(waitingNow);
    LabelSource->setText(
        !source.sharedUri.empty() ? "Общий журнал мастерской: " + Shown(source.sharedUri)
        : !source.localPath.empty() ? "Журнал этого рабочего места: " + Text(source.localPath)
                                    : QString("Журнал не ведётся."));
}

void TJournal::ChooseConfig() {
    const std::optional<QString> chosen = dialogs.OpenFile(
        {"Файл конфигурации", "Файлы конфигурации|*.prg|Все файлы|*", {}, {}, false});
    if (chosen) {
        EditConfig->setText(*chosen);
        Find();
    }
}

QString TJournal::WaitingNote() const {
    const int queued = waiting ? waiting() : 0;
    return queued > 0 ? QString("; ждут отправки в общий журнал: %1").arg(queued) : QString();
}

void TJournal::Refuse(const std::string& why) {
    Runs->setRowCount(0); // what an earlier filter found is no answer to this one
    LabelFound->setText("Журнал не прочитан" + WaitingNote() + ".");
    ErrorMessage(dialogs, Text(why));
}

std::optional<JournalFilter> TJournal::Filter() {
    JournalFilter filter{.since = EditSince->text().trimmed().toStdString(),
                         .until = EditUntil->text().trimmed().toStdString(),
                         .unit = EditUnit->text().trimmed().toStdString(),
                         .bench = EditBench->text().trimmed().toStdString(),
                         .result = ComboResult->currentData().toString().toStdString(),
                         .radio = EditRadio->text().trimmed().toStdString(),
                         .utcOffsetMinutes = BenchUtcOffsetMinutes()};
    const std::string path = EditConfig->text().trimmed().toStdString();
    if (!path.empty()) {
        const FileConfiguration config = ConfigurationOfFile(path);
        if (config.refusal) {
            Refuse(*config.refusal);
            return std::nullopt;
        }
        filter.configHash = config.configHash;
        filter.configFileHash = config.fileHash;
    }
    if (const std::optional<std::string> refused = FilterRefusal(filter)) {
        Refuse(*refused);
        return std::nullopt;
    }
    return filter;
}

void TJournal::AddNotice(const QString& line) {
    notices << line;
    while (notices.size() > kNoticesShown) {
        notices.removeFirst();
    }
    LabelNotices->setText("Сообщения программы:\n" + notices.join('\n'));
    LabelNotices->show();
}

TJournal::~TJournal() {
    std::unique_lock<std::mutex> lock(lookup->mutex);
    lookup->window = nullptr;
    if (lookup->stop) {
        *lookup->stop = true;
    }
    // Waited for, so that none outlives the application but a stuck one.
    lookup->ended.wait_for(lock, kLookupPatience, [this] { return lookup->running == 0; });
}

void TJournal::done(int result) {
    Supersede();
    ButFind->setEnabled(true);
    LabelFound->clear();
    QDialog::done(result);
}

int TJournal::LookupsRunning() const {
    const std::lock_guard<std::mutex> lock(lookup->mutex);
    return lookup->running;
}

void TJournal::Supersede() {
    const std::lock_guard<std::mutex> lock(lookup->mutex);
    if (lookup->stop) {
        *lookup->stop = true;
        lookup->stop.reset();
    }
    asked = ++lookup->generation;
}

void TJournal::Find() {
    Supersede(); // whatever this lookup shows, the one before shows nothing
    ButFind->setEnabled(true);
    const std::unique_ptr<JournalStore> store = OpenJournalStore(source, BenchUtcOffsetMinutes());
    if (!store) {
        Show({});
        return;
    }
    const std::optional<JournalFilter> filter = Filter();
    if (!filter) {
        return;
    }
    FindInBackground(*filter, store->Remote());
}

void TJournal::FindInBackground(const JournalFilter& filter, bool remote) {
    ButFind->setEnabled(false);
    LabelFound->setText(remote ? "Поиск в общем журнале..."
                               : "Поиск в журнале этого рабочего места...");
    auto stop = std::make_shared<LookupStop>(false);
    {
        const std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->stop = stop;
        ++lookup->running;
    }
    // Not a QThread: one left running at the end of the application is no
    // object of Qt's, and takes nothing of it down.
    std::thread([state = lookup, source = source, filter, stop, generation = asked] {
        FoundRuns found = FindRuns(source, filter, kLookupLimit, {}, stop.get());
        const std::lock_guard<std::mutex> lock(state->mutex);
        --state->running;
        state->ended.notify_all();
        TJournal* window = state->window;
        if (window == nullptr || generation != state->generation) {
            return; // superseded: nobody waits for it
        }
        QMetaObject::invokeMethod(
            window,
            [window, generation, found = std::move(found)] {
                // Another lookup may have been asked since it was sent.
                if (generation != window->asked) {
                    return;
                }
                window->ButFind->setEnabled(true);
                window->Show(found);
            },
            Qt::QueuedConnection);
    }).detach();
}

void TJournal::Show(const FoundRuns& found) {
    if (!found.outcome.Ok()) {
        Refuse(found.outcome.Why());
        return;
    }
    const std::vector<SharedRecord>& runs = found.runs;
    Runs->setRowCount(static_cast<int>(runs.size()));
    for (int r = 0; r < Runs->rowCount(); ++r) {
        const SharedRecord& run = runs[static_cast<std::size_t>(r)];
        for (int c = 0; c < Runs->columnCount(); ++c) {
            const JournalColumn column = kTableColumns[c].column;
            QString text = column == kJournalColumns ? Text(run.bench) : Text(run[column]);
            if (column == kCommandColumn) {
                text = Text(JournalCommandText(run[column]));
            } else if (column == kResultColumn) {
                text = Text(JournalResultText(run[column]));
            } else if (column == kConfigFileColumn) {
                text = QFileInfo(text).fileName();
            } else if (column == kTimeColumn) {
                text = ShownTime(run[column]);
            }
            auto* item = new QTableWidgetItem(text);
            item->setData(Qt::UserRole, Text(run.id));
            if (column == kConfigFileColumn || column == kTimeColumn) {
                item->setToolTip(Text(run[column])); // as the journal keeps it
            }
            Runs->setItem(r, c, item);
        }
    }
    Runs->resizeColumnsToContents();
    Runs->scrollToBottom(); // the latest run
    QString said = "Найдено записей: " + QString::number(found.total);
    if (found.shown < found.total) {
        said += QString("; показаны первые %1 из %2").arg(found.shown).arg(found.total);
    }
    LabelFound->setText(said + WaitingNote());
}

void TJournal::SaveCopy() {
    const QList<QTableWidgetItem*> selected = Runs->selectedItems();
    if (selected.isEmpty()) {
        PlainMessage(dialogs, "Выберите в таблице чтение или резервную копию.");
        return;
    }
    const FoundRuns found =
        FindRun(source, selected.front()->data(Qt::UserRole).toString().toStdString());
    if (!found.outcome.Ok()) {
        Refuse(found.outcome.Why());
        return;
    }
    if (found.runs.empty() || found.runs.front().radioCopy.empty()) {
        PlainMessage(dialogs, "У этой записи нет копии радиостанции: копию хранят чтения и "
                              "резервные копии.");
        return;
    }
    const std::optional<OutputFile> output = dialogs.SaveOutput(
        SaveDialog::RadioCopy,
        {"Сохранить копию радиостанции", "Файлы конфигурации|*.prg", {}, {}, false});
    if (!output) {
        return;
    }
    const FileWrite written = SaveOutput(*output, found.runs.front().radioCopy);
    if (!written.Ok()) {
        ErrorMessage(dialogs, Text(DescribeFileError(output->Path(), written.error)));
    }
}

void TJournal::SaveReport() {
    const std::optional<JournalFilter> asked = Filter();
    if (!asked) {
        return;
    }
    // A report covers a period and a bench; the other fields narrow lookups only.
    const JournalFilter filter{.since = asked->since,
                               .until = asked->until,
                               .bench = asked->bench,
                               .utcOffsetMinutes = asked->utcOffsetMinutes};
    const std::optional<OutputFile> output = dialogs.SaveOutput(
        SaveDialog::Report, {"Сохранить отчёт", "Страница HTML|*.html", {}, "отчёт.html", false});
    if (!output) {
        return;
    }
    ButReport->setEnabled(false);
    LabelFound->setText("Составляется отчёт...");
    const QString path = QString::fromStdString(output->Path());
    QThread* worker =
        QThread::create([state = lookup, source = source, filter, path, output = *output] {
            const ReportMade made = MakeReport(source, filter);
            Outcome written = made.outcome;
            if (written.Ok()) {
                const FileWrite file = SaveOutput(output, made.page);
                written = file.Ok()
                              ? Outcome::Done()
                              : Outcome::Refused(DescribeFileError(output.Path(), file.error));
            }
            const std::lock_guard<std::mutex> lock(state->mutex);
            if (TJournal* window = state->window) {
                QMetaObject::invokeMethod(
                    window, [window, path, written] { window->ReportWritten(path, written); },
                    Qt::QueuedConnection);
            }
        });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void TJournal::ReportWritten(const QString& path, const Outcome& written) {
    ButReport->setEnabled(true);
    LabelFound->setText(written.Ok() ? "Отчёт сохранён: " + path : QString("Отчёт не составлен."));
    if (!written.Ok()) {
        ErrorMessage(dialogs, Text(written.Why()));
    } else if (openReport) {
        openReport(path);
    }
}

} // namespace zekt

#pragma once

#include "JournalLookup.h"

#include <QDialog>
#include <QStringList>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zekt {

class OperatorDialogs;

// The journal's runs, looked up as zekt-cli journal looks them up: the
// workshop's shared journal when one is set, else this bench's file. A
// window of its own beside the main window (Ctrl+J).
class TJournal : public QDialog {
    Q_OBJECT

public:
    explicit TJournal(OperatorDialogs& dialogs, QWidget* parent = nullptr);
    ~TJournal() override;

    // Where the lookups ask, and what the window says about it.
    // waiting: how many records this bench has not yet sent to the shared journal.
    void Use(JournalSource source, std::function<int()> waiting = {});
    // The runs that pass the filters as they stand, into the table once
    // found; looked up on a thread of its own. A lookup still running is
    // superseded: told to stop, its answer never shown.
    void Find();
    // The selected run's radio copy (a read's, a backup's) into a *.prg file.
    void SaveCopy();
    // The workshop's report over the period and bench the fields ask, into
    // an HTML page the operator names (made on a thread of its own), then
    // opened with openReport when set.
    void SaveReport();
    std::function<void(const QString& path)> openReport;
    // One of the program's notices, with its time: kept in view here.
    void AddNotice(const QString& line);

    QLineEdit* EditSince = nullptr;
    QLineEdit* EditUntil = nullptr;
    QLineEdit* EditUnit = nullptr;
    QLineEdit* EditBench = nullptr;
    QLineEdit* EditRadio = nullptr;
    QComboBox* ComboResult = nullptr;
    QLineEdit* EditConfig = nullptr;
    QPushButton* ButConfig = nullptr;
    QPushButton* ButFind = nullptr;
    QLabel* LabelSource = nullptr;
    QLabel* LabelFound = nullptr;
    QLabel* LabelNotices = nullptr;
    QTableWidget* Runs = nullptr;
    QPushButton* ButSaveCopy = nullptr;
    QPushButton* ButReport = nullptr;

    // Closed, the window drops the lookup it waits for.
    void done(int result) override;
    // How many lookups still run, superseded ones too.
    int LookupsRunning() const;

private:
    OperatorDialogs& dialogs;
    QStringList notices;
    JournalSource source;
    std::function<int()> waiting;

    QWidget* BuildFilters();
    void ChooseConfig();
    // The filter the fields ask; nothing (said) when one cannot be asked.
    std::optional<JournalFilter> Filter();
    void Show(const FoundRuns& found);
    // The journal is asked from threads of their own: a slow server or a
    // large file never holds the window. An answer comes back while the
    // window is there and still waits for it; a lookup thread never touches
    // the window once it has gone, so one may outlive it.
    struct Lookup {
        std::mutex mutex;
        std::condition_variable ended;
        TJournal* window = nullptr;
        std::uint64_t generation = 0;     // the lookup the window waits for
        std::shared_ptr<LookupStop> stop; // its stop
        int running = 0;                  // lookups not yet ended, superseded ones too
    };
    std::shared_ptr<Lookup> lookup;
    std::uint64_t asked = 0; // the window's own copy of the generation it waits for
    // Stops the lookup running and drops its answer.
    void Supersede();
    void FindInBackground(const JournalFilter& filter, bool remote);
    void ReportWritten(const QString& path, const Outcome& written);
    void Refuse(const std::string& why);
    // "; ждут отправки в общий журнал: N" while records wait, else nothing.
    QString WaitingNote() const;
};

} // namespace zekt

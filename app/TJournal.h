#pragma once

#include "JournalLookup.h"

#include <QDialog>
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
    // The runs that pass the filters as they stand, into the table.
    void Find();
    // The selected run's radio copy (a read's, a backup's) into a *.prg file.
    void SaveCopy();
    // The workshop's report over the period and bench the fields ask, into
    // an HTML page the operator names (made on a thread of its own), then
    // opened with openReport when set.
    void SaveReport();
    std::function<void(const QString& path)> openReport;

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
    QTableWidget* Runs = nullptr;
    QPushButton* ButSaveCopy = nullptr;
    QPushButton* ButReport = nullptr;

private:
    OperatorDialogs& dialogs;
    JournalSource source;
    std::function<int()> waiting;

    QWidget* BuildFilters();
    void ChooseConfig();
    // The filter the fields ask; nothing (said) when one cannot be asked.
    std::optional<JournalFilter> Filter();
    void Show(const FoundRuns& found);
    // The shared journal is asked from a thread of its own: a slow or hung
    // server never holds the window. The answer comes back while the window
    // is there.
    struct Lookup {
        std::mutex mutex;
        TJournal* window = nullptr;
    };
    std::shared_ptr<Lookup> lookup;
    void FindInBackground(const JournalFilter& filter);
    void ReportWritten(const QString& path, const Outcome& written);
    void Refuse(const std::string& why);
    // "; ждут отправки в общий журнал: N" while records wait, else nothing.
    QString WaitingNote() const;
};

} // namespace zekt

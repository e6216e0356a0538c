#pragma once
// The update check of the main window: the automatic check 10 s after the first show (when
// switched on), the check the user asks for, and the answer (the reminder or a message). The
// GET runs on the event loop, so the windows keep working while it waits.
#include <QObject>
#include <QString>
#include <string>

class QTimer;
class QWidget;

namespace trevasc {

class Dialogs;
class Prompts;
class UpdateReminderDialog;
class VersionDocumentFetch;
struct FetchResult;

class UpdateCheckController : public QObject {
    Q_OBJECT
  public:
    // `host` is AUTOUPDATES HOST (empty: the project's own host), `checkOnStart` the switch as
    // read at start-up. `window` owns the controller and is the parent of the reminder.
    UpdateCheckController(const std::string& host, bool checkOnStart, Dialogs& dialogs,
                          Prompts& prompts, QWidget* window);

    // Creates the "Update Reminder" dialog (the window registry decides when).
    UpdateReminderDialog* CreateReminder();
    UpdateReminderDialog* Reminder() const { return reminder_; }
    // The one-shot timer of the automatic check ("UpdateCheckTimer").
    QTimer* Timer() const { return timer_; }
    bool Running() const;
    // The switch as the user left it; written to the main configuration file at exit.
    bool CheckOnStart() const { return checkOnStart_; }
    // The address of the version document (AUTOUPDATES HOST or the project's own host).
    QString VersionDocumentUrl() const;

    // "Check for &update on start".
    void SetCheckOnStart(bool on);
    // "Check for &update now...": shows the reminder, or the "most recent version" message when
    // nothing newer was found.
    void CheckNow();
    // The main window is on screen for the first time: arms the automatic check.
    void WindowShown();
    // Stops the timer and abandons a running check (the program is closing).
    void Stop();

  signals:
    // A check ended (after its reminder or message, if any).
    void finished(bool newer);

  private:
    void Start(bool manual);
    void Done(const FetchResult& fetched);

    std::string host_;
    bool checkOnStart_;
    Dialogs& dialogs_;
    Prompts& prompts_;
    QWidget* window_;
    bool windowShown_ = false;
    bool manual_ = false;  // the running check reports "most recent version"
    QTimer* timer_;
    VersionDocumentFetch* fetch_;
    UpdateReminderDialog* reminder_ = nullptr;
};

}  // namespace trevasc

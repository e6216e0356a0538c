#include "gui/update/UpdateCheckController.h"

#include <QApplication>
#include <QTimer>
#include <QUrl>

#include "core/Prompts.h"
#include "gui/app/Dialogs.h"
#include "gui/update/UpdateReminderDialog.h"
#include "gui/widgets/Controls.h"
#include "net/VersionDocumentFetch.h"
#include "update/VersionDocument.h"

namespace trevasc {

UpdateCheckController::UpdateCheckController(const std::string& host, bool checkOnStart,
                                             Dialogs& dialogs, Prompts& prompts, QWidget* window)
    : QObject(window),
      host_(host),
      checkOnStart_(checkOnStart),
      dialogs_(dialogs),
      prompts_(prompts),
      window_(window) {
    // Armed when the window is first shown, fires once.
    timer_ = new QTimer(this);
    timer_->setObjectName("UpdateCheckTimer");
    timer_->setSingleShot(true);
    timer_->setInterval(10000);
    connect(timer_, &QTimer::timeout, this, [this] { Start(false); });
    fetch_ = new VersionDocumentFetch(this);
    connect(fetch_, &VersionDocumentFetch::finished, this, &UpdateCheckController::Done);
}

UpdateReminderDialog* UpdateCheckController::CreateReminder() {
    reminder_ = new UpdateReminderDialog(dialogs_, window_);
    return reminder_;
}

bool UpdateCheckController::Running() const {
    return fetch_->IsRunning();
}

QString UpdateCheckController::VersionDocumentUrl() const {
    return Q(update::VersionDocumentUrl(host_));
}

void UpdateCheckController::SetCheckOnStart(bool on) {
    checkOnStart_ = on;
    // Switched on while the program runs: one more check 10 s later. Before the window is shown
    // the timer waits for the first show.
    if (!windowShown_) return;
    if (on)
        timer_->start();
    else
        timer_->stop();
}

void UpdateCheckController::WindowShown() {
    windowShown_ = true;
    if (checkOnStart_) timer_->start();
}

void UpdateCheckController::Stop() {
    timer_->stop();
    // A manual check still waiting ends without its answer: give the cursor back.
    if (fetch_->IsRunning() && manual_) QApplication::restoreOverrideCursor();
    manual_ = false;
    fetch_->Cancel();
}

void UpdateCheckController::CheckNow() {
    timer_->stop();
    Start(true);
}

void UpdateCheckController::Start(bool manual) {
    timer_->stop();
    if (fetch_->IsRunning()) {
        // The automatic check is under way: the user's request joins it and gets its answer.
        manual_ = manual_ || manual;
        return;
    }
    manual_ = manual;
    // The GET runs on the event loop: the windows keep painting and answering while it waits.
    if (manual) QApplication::setOverrideCursor(Qt::BusyCursor);
    fetch_->Start(QUrl(VersionDocumentUrl()));
}

void UpdateCheckController::Done(const FetchResult& fetched) {
    const bool manual = manual_;
    manual_ = false;
    if (manual) QApplication::restoreOverrideCursor();
    // A failed GET or an unreadable document counts as "not newer". The automatic check stays
    // silent about it; a check the user asked for says that it failed instead of claiming that
    // this is the most recent version.
    const std::string document = fetched.Body.toStdString();
    const update::UpdateCheckResult result =
        update::EvaluateVersionDocument(document, update::OwnVersion());
    if (fetched.Ok && result.Newer) {
        reminder_->SetContent(Q(result.Message), Q(update::DownloadPageUrl(host_)),
                              Q(result.Changes));
        dialogs_.ExecDialog(*reminder_);
    } else if (manual && !fetched.Ok) {
        prompts_.ShowError("The update check could not ask " + S(VersionDocumentUrl()) + ": " +
                           S(fetched.Error));
    } else if (manual && !update::ParseVersionDocument(document)) {
        prompts_.ShowError("The update check could not read the answer of " +
                           S(VersionDocumentUrl()) + ": it is not a version document.");
    } else if (manual) {
        prompts_.ShowInfo(update::kMostRecentVersionMessage);
    }
    emit finished(fetched.Ok && result.Newer);
}

}  // namespace trevasc

#pragma once
// What the user sees while the session works: the busy cursor for every long step, and for a
// step that counts its work a progress dialog with Cancel that keeps the windows repainting.
#include <QPointer>
#include <QProgressDialog>
#include <memory>

#include "session/WorkbenchSession.h"

namespace trevasc {

class ProgressFeedback {
  public:
    explicit ProgressFeedback(QWidget* parent) : parent_(parent) {}
    ~ProgressFeedback();
    ProgressFeedback(const ProgressFeedback&) = delete;
    ProgressFeedback& operator=(const ProgressFeedback&) = delete;

    // The session's progress callback: false from a step when the user pressed Cancel.
    bool operator()(const ProgressEvent& event);
    bool Busy() const { return depth_ > 0; }

  private:
    QPointer<QWidget> parent_;
    std::unique_ptr<QProgressDialog> dialog_;
    int depth_ = 0;  // steps may nest (reading a file inside opening it)
};

}  // namespace trevasc

#include "gui/app/ProgressFeedback.h"

#include <QApplication>
#include <QCoreApplication>

namespace trevasc {

ProgressFeedback::~ProgressFeedback() {
    for (; depth_ > 0; --depth_) QApplication::restoreOverrideCursor();
}

bool ProgressFeedback::operator()(const ProgressEvent& event) {
    switch (event.Stage) {
        case ProgressEvent::Phase::Begin:
            if (depth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
            return true;
        case ProgressEvent::Phase::Step:
            if (event.Total <= 0) return true;
            if (!dialog_) {
                dialog_ = std::make_unique<QProgressDialog>(QString::fromStdString(event.Caption),
                                                            "Cancel", 0, event.Total, parent_);
                dialog_->setWindowModality(Qt::WindowModal);
                dialog_->setMinimumDuration(500);
            }
            dialog_->setMaximum(event.Total);
            dialog_->setValue(event.Done);
            // Repaint and take the Cancel click between the steps.
            QCoreApplication::processEvents();
            return !dialog_->wasCanceled();
        case ProgressEvent::Phase::End:
            if (depth_ > 0 && --depth_ == 0) {
                QApplication::restoreOverrideCursor();
                dialog_.reset();
            }
            return true;
    }
    return true;
}

}  // namespace trevasc

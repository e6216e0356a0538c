#pragma once
// The progress of the session's long operations (reading, processing, peak search, selecting
// the main scan) and of the windows' long loops, passed to one callback.
#include <functional>
#include <string>

namespace trevasc {

// A long operation's steps: Begin (Total steps, 0 when unknown), Step (Done of Total), End.
struct ProgressEvent {
    enum class Phase { Begin, Step, End };
    Phase Stage = Phase::Begin;
    std::string Caption;
    int Done = 0;
    int Total = 0;
};
// Receives the progress of long operations; returning false from a Step asks to cancel.
using ProgressCallback = std::function<bool(const ProgressEvent&)>;

class SessionProgress {
  public:
    void SetCallback(ProgressCallback callback) { callback_ = std::move(callback); }
    // Passes one event to the callback; false when a Step asked to cancel. Without a callback
    // every event answers true.
    bool Report(const ProgressEvent& event) const { return !callback_ || callback_(event); }
    void Begin(const std::string& caption, int total) const {
        Report({ProgressEvent::Phase::Begin, caption, 0, total});
    }
    bool Report(const std::string& caption, int done, int total) const {
        return Report({ProgressEvent::Phase::Step, caption, done, total});
    }
    void End(const std::string& caption) const {
        Report({ProgressEvent::Phase::End, caption, 0, 0});
    }

  private:
    ProgressCallback callback_;
};

// Begin and End around a long step, End also when it throws.
class ProgressScope {
  public:
    ProgressScope(const SessionProgress& progress, std::string caption)
        : progress_(progress), caption_(std::move(caption)) {
        progress_.Begin(caption_, 0);
    }
    ~ProgressScope() { progress_.End(caption_); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    const SessionProgress& progress_;
    std::string caption_;
};

}  // namespace trevasc

#pragma once
// Questions and messages to the user. The GUI answers with dialogs, the batch tool and the
// tests with scripted answers.
#include <optional>
#include <string>
#include <utility>

namespace trevasc {

class Prompts {
  public:
    virtual ~Prompts() = default;
    // Yes/No confirmation; only Yes returns true.
    virtual bool Confirm(const std::string& text) = 0;
    // Error box.
    virtual void ShowError(const std::string& text) = 0;
    // Information box (for example "The dataset has been cut ...").
    virtual void ShowInfo(const std::string& text) = 0;
    // Input box; std::nullopt when cancelled.
    virtual std::optional<std::string> InputQuery(const std::string& caption,
                                                  const std::string& prompt,
                                                  const std::string& preset) = 0;
};

// Answers without a user: Yes to every confirmation, a fixed text to every input box, and
// messages are dropped. For runs where nobody can answer (benchmarks, fuzzing).
class UnattendedPrompts : public Prompts {
  public:
    explicit UnattendedPrompts(std::string answer = "1") : answer_(std::move(answer)) {}
    bool Confirm(const std::string&) override { return true; }
    void ShowError(const std::string&) override {}
    void ShowInfo(const std::string&) override {}
    std::optional<std::string> InputQuery(const std::string&, const std::string&,
                                          const std::string&) override {
        return answer_;
    }

  private:
    std::string answer_;
};

}  // namespace trevasc

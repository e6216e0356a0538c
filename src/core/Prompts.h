#pragma once
// Questions and messages to the user. The GUI answers with dialogs, the batch tool and the
// tests with scripted answers.
#include <optional>
#include <string>

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

}  // namespace trevasc

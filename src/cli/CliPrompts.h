#pragma once
#include <string>
#include <utility>
#include <vector>

#include "core/Prompts.h"

namespace trevasc::cli {

// Answers the workbench's questions without a user: confirmations are Yes, the scan-list
// dataset question is answered with a fixed number, information boxes become warnings.
class CliPrompts : public Prompts {
  public:
    explicit CliPrompts(int dataset, bool datasetGiven)
        : dataset_(dataset), datasetGiven_(datasetGiven) {}

    bool Confirm(const std::string&) override { return true; }
    void ShowError(const std::string& text) override { warnings_.push_back(text); }
    void ShowInfo(const std::string& text) override { warnings_.push_back(text); }
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& preset) override;

    const std::vector<std::string>& Warnings() const { return warnings_; }
    // The warnings so far; they are then forgotten, so that each is reported once.
    std::vector<std::string> TakeWarnings() { return std::exchange(warnings_, {}); }

  private:
    int dataset_;
    bool datasetGiven_;
    std::vector<std::string> warnings_;
};

}  // namespace trevasc::cli

#pragma once
#include <string>
#include <utility>
#include <vector>

#include "core/Prompts.h"

namespace trevasc {

// Answers the workbench's questions in a batch run (the batch tool, the Python module), where
// nobody can answer: confirmations are Yes, the scan-list dataset question is answered with a
// fixed number, error and information boxes become warnings.
class BatchPrompts : public Prompts {
  public:
    // datasetHint names the caller's way of choosing the dataset ("--dataset N"); the warning
    // about the dataset taken mentions it when no dataset was given.
    BatchPrompts(int dataset, bool datasetGiven, std::string datasetHint)
        : dataset_(dataset), datasetGiven_(datasetGiven), datasetHint_(std::move(datasetHint)) {}

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
    std::string datasetHint_;
    std::vector<std::string> warnings_;
};

}  // namespace trevasc

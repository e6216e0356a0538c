#pragma once
#include <string>
#include <utility>
#include <vector>

#include "core/Prompts.h"

namespace trevasc::python {

// Answers the workbench's questions inside a Python call, where nobody can answer: confirmations
// are Yes, the scan-list dataset question is answered with the `dataset` argument, and error and
// information boxes become warnings of the call.
class PythonPrompts : public Prompts {
  public:
    PythonPrompts(int dataset, bool datasetGiven)
        : dataset_(dataset), datasetGiven_(datasetGiven) {}

    bool Confirm(const std::string&) override { return true; }
    void ShowError(const std::string& text) override { warnings_.push_back(text); }
    void ShowInfo(const std::string& text) override { warnings_.push_back(text); }
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& preset) override;

    const std::vector<std::string>& Warnings() const { return warnings_; }
    std::vector<std::string> TakeWarnings() { return std::exchange(warnings_, {}); }

  private:
    int dataset_;
    bool datasetGiven_;
    std::vector<std::string> warnings_;
};

}  // namespace trevasc::python

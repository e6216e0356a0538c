#pragma once
// Prompts with scripted answers that records every question, for tests of the file flow.
#include <deque>
#include <string>
#include <vector>

#include "core/Prompts.h"

namespace trevasc::test {

class ScriptedPrompts : public Prompts {
  public:
    std::deque<bool> ConfirmAnswers;  // answers in order; Yes when the script runs out
    std::deque<std::optional<std::string>> InputAnswers;
    std::vector<std::string> Questions, Errors, Infos;

    bool Confirm(const std::string& text) override {
        Questions.push_back(text);
        if (ConfirmAnswers.empty()) return true;
        bool a = ConfirmAnswers.front();
        ConfirmAnswers.pop_front();
        return a;
    }
    void ShowError(const std::string& text) override { Errors.push_back(text); }
    void ShowInfo(const std::string& text) override { Infos.push_back(text); }
    std::optional<std::string> InputQuery(const std::string& caption, const std::string&,
                                          const std::string& preset) override {
        Questions.push_back(caption);
        if (InputAnswers.empty()) return preset;
        auto a = InputAnswers.front();
        InputAnswers.pop_front();
        return a;
    }
};

}  // namespace trevasc::test

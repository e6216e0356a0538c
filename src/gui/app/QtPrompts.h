#pragma once
// The workbench's questions and messages as Qt dialogs.
#include <QPointer>
#include <QWidget>

#include "core/Prompts.h"

namespace trevasc {

class QtPrompts : public Prompts {
  public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    // The window the dialogs are centred on (the main window once it exists).
    void SetParent(QWidget* parent) { parent_ = parent; }

    bool Confirm(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowInfo(const std::string& text) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& preset) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace trevasc

#include "gui/app/QtPrompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace trevasc {

namespace {
// A busy cursor set by a long action must not hide the arrow while a box waits for an answer.
class CursorRestorer {
  public:
    CursorRestorer() {
        while (QApplication::overrideCursor()) {
            QApplication::restoreOverrideCursor();
            ++count_;
        }
    }
    ~CursorRestorer() {
        for (int i = 0; i < count_; ++i) QApplication::setOverrideCursor(Qt::WaitCursor);
    }

  private:
    int count_ = 0;
};

QString Caption() {
    return QApplication::applicationDisplayName();
}
}  // namespace

bool QtPrompts::Confirm(const std::string& text) {
    CursorRestorer restorer;
    const auto answer = QMessageBox::question(parent_, Caption(), QString::fromStdString(text),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void QtPrompts::ShowError(const std::string& text) {
    CursorRestorer restorer;
    QMessageBox::critical(parent_, Caption(), QString::fromStdString(text));
}

void QtPrompts::ShowInfo(const std::string& text) {
    CursorRestorer restorer;
    QMessageBox::information(parent_, Caption(), QString::fromStdString(text));
}

std::optional<std::string> QtPrompts::InputQuery(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& preset) {
    CursorRestorer restorer;
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, QString::fromStdString(caption),
                                               QString::fromStdString(prompt), QLineEdit::Normal,
                                               QString::fromStdString(preset), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

}  // namespace trevasc

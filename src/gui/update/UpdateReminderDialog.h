#pragma once
// "Update Reminder": the newer version's message, the download page as a link, and the changes.
#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace trevasc {

class Dialogs;

class UpdateReminderDialog : public QDialog {
    Q_OBJECT
  public:
    // `dialogs` opens the download page in the user's browser.
    explicit UpdateReminderDialog(Dialogs& dialogs, QWidget* parent = nullptr);

    // The version message, the download page address and the changes text.
    void SetContent(const QString& message, const QString& downloadUrl, const QString& changes);

    QString Message() const;
    QString DownloadUrl() const { return downloadUrl_; }
    QString Changes() const;
    // Opens the download page, as a click on the link does.
    void OpenDownloadPage();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    Dialogs& dialogs_;
    QLabel* message_;
    QLabel* link_;
    QPlainTextEdit* changes_;
    QPushButton* ok_;
    QString downloadUrl_;
};

}  // namespace trevasc

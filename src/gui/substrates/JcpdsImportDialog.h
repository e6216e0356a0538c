#pragma once
// "JCPDS Import": shows the reflections of the table in the clipboard as "(1 1 1)=28.443" rows
// and writes them as material "NAME poly" into the substrate database.
#include <QDialog>

#include "session/WorkbenchSession.h"

class QLineEdit;
class QListWidget;

namespace trevasc {

class JcpdsImportDialog : public QDialog {
    Q_OBJECT
  public:
    JcpdsImportDialog(WorkbenchSession& session, QString databasePath, QWidget* parent = nullptr);

    // Clears the list and the name, then parses the clipboard's text.
    void ReadClipboard();
    // "Add to substrate database": writes the rows; closes with OK when written.
    void AddToDatabase();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    WorkbenchSession& session_;
    QString databasePath_;
    QListWidget* rows_ = nullptr;
    QLineEdit* name_ = nullptr;
};

}  // namespace trevasc

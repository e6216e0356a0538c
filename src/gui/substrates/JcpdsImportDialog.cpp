#include "gui/substrates/JcpdsImportDialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "analysis/SubstrateDatabase.h"
#include "base/Error.h"
#include "formats/ReflectionTable.h"
#include "gui/widgets/Controls.h"

namespace trevasc {

JcpdsImportDialog::JcpdsImportDialog(WorkbenchSession& session, QString databasePath,
                                     QWidget* parent)
    : QDialog(parent), session_(session), databasePath_(std::move(databasePath)) {
    setObjectName("JcpdsImportDialog");
    setWindowTitle("JCPDS Import");
    auto* layout = new QVBoxLayout(this);
    rows_ = new QListWidget(this);
    rows_->setObjectName("ListBoxImported");
    rows_->setToolTip("X-ray reflections found in AIDS-format in clipboard.");
    name_ = new QLineEdit(this);
    name_->setObjectName("EditName");
    name_->setToolTip(
        "Enter a material name here (-poly will be automatically added to identify "
        "a polycrystalline peak list)");
    auto* buttons = new QDialogButtonBox(this);
    auto* add = buttons->addButton("Add to substrate database", QDialogButtonBox::AcceptRole);
    add->setObjectName("ButtonAdd");
    add->setDefault(true);
    auto* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName("ButtonCancel");
    auto* again = buttons->addButton("Read &Clipboard again", QDialogButtonBox::ResetRole);
    again->setObjectName("ButtonReadAgain");
    layout->addWidget(MakeLabel(this, "Imported reflections", rows_));
    layout->addWidget(rows_, 1);
    layout->addWidget(MakeLabel(this, "&Name of Material", name_));
    layout->addWidget(name_);
    layout->addWidget(buttons);
    resize(360, 420);

    connect(add, &QPushButton::clicked, this, &JcpdsImportDialog::AddToDatabase);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(again, &QPushButton::clicked, this, &JcpdsImportDialog::ReadClipboard);
}

void JcpdsImportDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ReadClipboard();
}

void JcpdsImportDialog::ReadClipboard() {
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) {
        rows_->clear();
        name_->clear();
        return;
    }
    const formats::TReflectionTable table = formats::ParseReflectionTable(S(text));
    if (const std::string nothing = formats::NoReflectionsMessage(table); !nothing.empty()) {
        // No card in the clipboard: say what is read; rows read before and the name stay.
        session_.GetPrompts().ShowError(nothing);
        return;
    }
    rows_->clear();
    name_->setText(Q(table.Material));
    for (const std::string& row :
         analysis::JcpdsImportRows(table, session_.Settings().CurrentWavelength(),
                                   session_.Settings().DecimalSeparator()))
        rows_->addItem(Q(row));
    if (!table.Error.empty()) session_.GetPrompts().ShowError(table.Error);
}

void JcpdsImportDialog::AddToDatabase() {
    std::vector<std::string> rows;
    for (int i = 0; i < rows_->count(); ++i) rows.push_back(S(rows_->item(i)->text()));
    // A failed write keeps the dialog open with everything the user typed.
    if (session_.RunAction(
            [&] { analysis::AddJcpdsMaterial(S(databasePath_), S(name_->text()), rows); }))
        accept();
}

}  // namespace trevasc

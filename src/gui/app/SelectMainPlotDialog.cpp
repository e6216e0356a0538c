#include "gui/app/SelectMainPlotDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevasc {

SelectMainPlotDialog::SelectMainPlotDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("SelectMainPlotDialog");
    setWindowTitle("Select Main Plot");
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel("Opened &plots", this);
    list_ = new QListWidget(this);
    list_->setObjectName("ListBox1");
    label->setBuddy(list_);
    layout->addWidget(label);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName("OKButton");
    QPushButton* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName("CancelButton");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    resize(320, 360);
}

void SelectMainPlotDialog::SetEntries(const std::vector<ScanMenuEntry>& entries) {
    entries_ = entries;
    list_->clear();
    for (const ScanMenuEntry& entry : entries_)
        list_->addItem(QString::fromStdString(entry.Caption));
    if (!entries_.empty()) list_->setCurrentRow(0);
}

int SelectMainPlotDialog::SelectedNumber() const {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(entries_.size())) return -1;
    return entries_[static_cast<size_t>(row)].Number;
}

int SelectMainPlotDialog::Choose() {
    if (exec() != QDialog::Accepted) return -1;
    return SelectedNumber();
}

}  // namespace trevasc

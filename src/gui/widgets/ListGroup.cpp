#include "gui/widgets/ListGroup.h"

#include <QListWidget>
#include <QScrollBar>

namespace trevasc {

ListGroup::ListGroup(std::vector<QListWidget*> lists, QObject* parent)
    : QObject(parent), lists_(std::move(lists)) {
    for (QListWidget* list : lists_) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        connect(list, &QListWidget::currentRowChanged, this, [this, list] { Follow(list); });
        connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this, list] { Follow(list); });
    }
}

void ListGroup::Follow(QListWidget* source) {
    if (following_) return;
    following_ = true;
    const int row = source->currentRow();
    const int top = source->verticalScrollBar()->value();
    for (QListWidget* list : lists_) {
        if (list == source) continue;
        if (row >= 0 && row < list->count())
            list->setCurrentRow(row);
        else
            list->clearSelection();
        list->verticalScrollBar()->setValue(top);
    }
    following_ = false;
}

void ListGroup::SetRows(QListWidget* list, const QStringList& rows) {
    const int row = SelectedRow();
    following_ = true;
    list->clear();
    list->addItems(rows);
    if (row >= 0 && row < list->count()) list->setCurrentRow(row);
    following_ = false;
}

int ListGroup::SelectedRow() const {
    for (QListWidget* list : lists_)
        if (list->currentRow() >= 0 && list->currentItem() && list->currentItem()->isSelected())
            return list->currentRow();
    return -1;
}

void ListGroup::SelectRow(int row) {
    if (lists_.empty()) return;
    following_ = true;
    for (QListWidget* list : lists_)
        if (row >= 0 && row < list->count()) list->setCurrentRow(row);
    following_ = false;
}

}  // namespace trevasc

#pragma once
// Parallel lists that scroll and select together (the four lists of the lattice and film
// thickness windows): scrolling, clicking or moving the keyboard in one gives the others the
// same first visible row and the same selected row.
#include <QObject>
#include <QStringList>
#include <vector>

class QListWidget;

namespace trevasc {

class ListGroup : public QObject {
    Q_OBJECT
  public:
    ListGroup(std::vector<QListWidget*> lists, QObject* parent);
    // Refills one list with the rows; the selection and scroll position of the group stay.
    void SetRows(QListWidget* list, const QStringList& rows);
    // The selected row of the group, -1 for none.
    int SelectedRow() const;
    void SelectRow(int row);

  private:
    void Follow(QListWidget* source);
    std::vector<QListWidget*> lists_;
    bool following_ = false;
};

}  // namespace trevasc

#include "gui/profile/ResultTable.h"

#include <QStringList>
#include <QTableWidget>
#include <algorithm>

#include "gui/widgets/Controls.h"

namespace trevasc {

void ShowTextTable(QTableWidget* table, const TextTable& cells) {
    table->clear();
    if (cells.empty()) {
        table->setRowCount(0);
        table->setColumnCount(0);
        return;
    }
    size_t columns = 0;
    for (const auto& row : cells) columns = std::max(columns, row.size());
    table->setColumnCount(static_cast<int>(columns));
    table->setRowCount(static_cast<int>(cells.size()) - 1);
    QStringList header;
    for (const std::string& h : cells.front()) header << Q(h);
    table->setHorizontalHeaderLabels(header);
    for (size_t r = 1; r < cells.size(); ++r)
        for (size_t c = 0; c < cells[r].size(); ++c)
            table->setItem(static_cast<int>(r) - 1, static_cast<int>(c),
                           new QTableWidgetItem(Q(cells[r][c])));
    table->resizeColumnsToContents();
}

}  // namespace trevasc

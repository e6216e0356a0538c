#pragma once
// The result tables of the profile windows: the rows the batch tool prints, shown in a table.
#include "session/ProfileAnalysis.h"

class QTableWidget;

namespace trevasc {

// Shows `cells` in `table`: the first row as the header, the others as rows, the columns as
// wide as their contents. No cells: an empty table without columns.
void ShowTextTable(QTableWidget* table, const TextTable& cells);

}  // namespace trevasc

#pragma once

// The filter box above a long list of contacts: as one types, only the rows whose name or PID
// contains the text (without regard to case) stay visible. Rows keep their place and their
// selection; a row that the filter hides is also taken out of the selection.

#include <initializer_list>

class QLineEdit;
class QListWidget;
class QTableWidget;

namespace vex::gui {

// Filters `table` on the text of the given columns.
void InstallRowFilter(QLineEdit* box, QTableWidget* table, std::initializer_list<int> columns);
// Filters `list` on its items' texts.
void InstallRowFilter(QLineEdit* box, QListWidget* list);

// Applies the box's present text again (after the rows were refilled).
void ReapplyRowFilter(QLineEdit* box);

}  // namespace vex::gui

#pragma once

// The lists of contacts on the membership pages (scroll list, scan lists, settings): a table with
// the contact's picture and name, its ID, and a hidden column with the contact's position in its
// own list (its global index), by which a row finds its data item again. Rows sort by name without
// regard to case, or by any column on a header click; IDs sort as numbers.

#include <QIcon>
#include <QString>
#include <vector>

class QTableWidget;
class QTableWidgetItem;
class QAbstractButton;

namespace vex::gui {

namespace contact_column {
inline constexpr int kName = 0;
inline constexpr int kGlobalIndex = 1;
inline constexpr int kPid = 2;
}  // namespace contact_column

// Contact kinds by cntct_type.
namespace contact_kind {
inline constexpr int kPrivate = 0;
inline constexpr int kPrivateGroup = 1;
inline constexpr int kPublicGroup = 2;
}  // namespace contact_kind

// The list (under Contacts) that holds contacts of `kind`.
const char* ContactListName(int kind);
// The picture of a contact: 6 public group, 8 private group, 10 private, 11 the radio's own.
int ContactImage(int kind, bool own);

// Columns, selection (several rows, whole rows), sorting and look of a contact table.
void SetUpContactTable(QTableWidget* table);

// Appends a row; the caller sorts (SortContactTable) once it has added what it adds.
void AddContactRow(QTableWidget* table, int kind, int globalIndex, const QString& name,
                   const QString& pid, bool own);
// Sorts by the column and order the header shows (by name at first).
void SortContactTable(QTableWidget* table);

struct ContactRow {
    int kind = 0;
    int globalIndex = 0;
};
ContactRow RowContact(const QTableWidget* table, int row);
// The rows with a selected cell, top to bottom.
std::vector<int> SelectedRows(const QTableWidget* table);
// The row of (kind, globalIndex), or -1.
int FindContactRow(const QTableWidget* table, int kind, int globalIndex);

// Wires the Add/Remove pair of two tables: selecting in or focusing a table enables its own
// button when it has a selection and disables the other one; a double click does what the
// table's button does when that is enabled.
void WireMovePair(QTableWidget* left, QAbstractButton* addButton, QTableWidget* right,
                  QAbstractButton* removeButton);

}  // namespace vex::gui

#include "editors/contact_table.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>

#include "editors/tree_view.h"

namespace vex::gui {

namespace {

constexpr int kKindRole = Qt::UserRole + 10;

// Names compare without regard to case; IDs (all digits) as numbers.
class ContactItem : public QTableWidgetItem {
  public:
    using QTableWidgetItem::QTableWidgetItem;

    bool operator<(const QTableWidgetItem& other) const override {
        const QString left = text();
        const QString right = other.text();
        bool leftNumber = false;
        bool rightNumber = false;
        const qulonglong a = left.toULongLong(&leftNumber);
        const qulonglong b = right.toULongLong(&rightNumber);
        if (leftNumber && rightNumber) return a < b;
        const int order = QString::compare(left, right, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : left < right;
    }
};

// Enables the buttons of a pair as the tables are focused and selected.
class MovePair : public QObject {
  public:
    MovePair(QTableWidget* left, QAbstractButton* add, QTableWidget* right, QAbstractButton* remove)
        : QObject(left), m_left(left), m_add(add), m_right(right), m_remove(remove) {
        for (QTableWidget* table : {left, right}) {
            table->installEventFilter(this);
            connect(table, &QTableWidget::itemSelectionChanged, this, [this, table] {
                if (!SelectedRows(table).empty())
                    Activate(table);
                else
                    Own(table)->setEnabled(false);
            });
            connect(table, &QTableWidget::cellDoubleClicked, this, [this, table] {
                QAbstractButton* button = Own(table);
                if (button->isEnabled()) button->click();
            });
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            if (auto* table = qobject_cast<QTableWidget*>(watched)) Activate(table);
        }
        return false;
    }

  private:
    QAbstractButton* Own(const QTableWidget* table) const {
        return table == m_left ? m_add : m_remove;
    }
    void Activate(QTableWidget* table) {
        Own(table)->setEnabled(!SelectedRows(table).empty());
        (table == m_left ? m_remove : m_add)->setEnabled(false);
    }

    QTableWidget* m_left;
    QAbstractButton* m_add;
    QTableWidget* m_right;
    QAbstractButton* m_remove;
};

}  // namespace

const char* ContactListName(int kind) {
    switch (kind) {
        case contact_kind::kPrivate:
            return "Privates";
        case contact_kind::kPrivateGroup:
            return "PrivateGroups";
        default:
            return "PublicGroups";
    }
}

int ContactImage(int kind, bool own) {
    switch (kind) {
        case contact_kind::kPrivate:
            return own ? 11 : 10;
        case contact_kind::kPrivateGroup:
            return 8;
        default:
            return 6;
    }
}

void SetUpContactTable(QTableWidget* table) {
    table->setColumnCount(3);
    table->setHorizontalHeaderLabels(
        {QObject::tr("Name"), QStringLiteral("globalIndex"), QObject::tr("ID")});
    table->setColumnHidden(contact_column::kGlobalIndex, true);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(20);
    table->horizontalHeader()->setHighlightSections(false);
    table->horizontalHeader()->setSectionResizeMode(contact_column::kName, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(contact_column::kPid,
                                                    QHeaderView::ResizeToContents);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setShowGrid(false);
    table->setWordWrap(false);
    table->setIconSize(QSize(17, 17));
    table->horizontalHeader()->setSortIndicator(contact_column::kName, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    QPalette colours = table->palette();
    colours.setColor(QPalette::Base, Qt::white);
    table->setPalette(colours);
}

void AddContactRow(QTableWidget* table, int kind, int globalIndex, const QString& name,
                   const QString& pid, bool own) {
    table->setSortingEnabled(false);
    const int row = table->rowCount();
    table->insertRow(row);
    auto* nameItem = new ContactItem(TreeImage(ContactImage(kind, own)), name);
    nameItem->setData(kKindRole, kind);
    table->setItem(row, contact_column::kName, nameItem);
    table->setItem(row, contact_column::kGlobalIndex,
                   new ContactItem(QString::number(globalIndex)));
    table->setItem(row, contact_column::kPid, new ContactItem(pid));
}

void SortContactTable(QTableWidget* table) {
    table->setSortingEnabled(true);
    const QHeaderView* header = table->horizontalHeader();
    table->sortItems(header->sortIndicatorSection(), header->sortIndicatorOrder());
}

ContactRow RowContact(const QTableWidget* table, int row) {
    ContactRow contact;
    if (const QTableWidgetItem* name = table->item(row, contact_column::kName))
        contact.kind = name->data(kKindRole).toInt();
    if (const QTableWidgetItem* index = table->item(row, contact_column::kGlobalIndex))
        contact.globalIndex = index->text().toInt();
    return contact;
}

std::vector<int> SelectedRows(const QTableWidget* table) {
    std::vector<int> rows;
    for (const QModelIndex& index : table->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int FindContactRow(const QTableWidget* table, int kind, int globalIndex) {
    for (int row = 0; row < table->rowCount(); ++row) {
        const ContactRow contact = RowContact(table, row);
        if (contact.kind == kind && contact.globalIndex == globalIndex) return row;
    }
    return -1;
}

void WireMovePair(QTableWidget* left, QAbstractButton* addButton, QTableWidget* right,
                  QAbstractButton* removeButton) {
    addButton->setEnabled(false);
    removeButton->setEnabled(false);
    new MovePair(left, addButton, right, removeButton);
}

}  // namespace vex::gui

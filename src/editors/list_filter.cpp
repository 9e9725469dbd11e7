#include "editors/list_filter.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <functional>
#include <vector>

namespace vex::gui {

namespace {

using Apply = std::function<void(const QString&)>;

// Lives as a child of the filter box and applies its text to the rows.
class RowFilter : public QObject {
  public:
    RowFilter(QLineEdit* box, Apply apply) : QObject(box), m_apply(std::move(apply)) {
        setObjectName(QStringLiteral("rowFilter"));
        connect(box, &QLineEdit::textChanged, this,
                [this](const QString& text) { m_apply(text.trimmed()); });
    }
    void Reapply(const QString& text) const { m_apply(text.trimmed()); }

  private:
    Apply m_apply;
};

void Install(QLineEdit* box, Apply apply) {
    box->setClearButtonEnabled(true);
    if (box->placeholderText().isEmpty())
        box->setPlaceholderText(QObject::tr("Filter by name or ID"));
    new RowFilter(box, std::move(apply));
}

}  // namespace

void InstallRowFilter(QLineEdit* box, QTableWidget* table, std::initializer_list<int> columns) {
    const std::vector<int> searched(columns);
    Install(box, [table, searched](const QString& text) {
        for (int row = 0; row < table->rowCount(); ++row) {
            bool match = text.isEmpty();
            for (int column : searched) {
                const QTableWidgetItem* item = table->item(row, column);
                if (!match && item != nullptr && item->text().contains(text, Qt::CaseInsensitive))
                    match = true;
            }
            table->setRowHidden(row, !match);
            if (!match) {
                for (int column = 0; column < table->columnCount(); ++column) {
                    if (QTableWidgetItem* item = table->item(row, column)) item->setSelected(false);
                }
            }
        }
    });
}

void InstallRowFilter(QLineEdit* box, QListWidget* list) {
    Install(box, [list](const QString& text) {
        for (int row = 0; row < list->count(); ++row) {
            QListWidgetItem* item = list->item(row);
            const bool match = text.isEmpty() || item->text().contains(text, Qt::CaseInsensitive);
            item->setHidden(!match);
            if (!match) item->setSelected(false);
        }
    });
}

void ReapplyRowFilter(QLineEdit* box) {
    for (const QObject* child : box->children()) {
        if (const auto* filter = dynamic_cast<const RowFilter*>(child))
            filter->Reapply(box->text());
    }
}

}  // namespace vex::gui

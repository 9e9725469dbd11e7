#pragma once

// CVEXPRGTreeView: the navigation tree on the left of every profile window.
//
// It shows the profile as fixed sections (settings, contacts, text messages, lists) and the
// profile's lists, with live counts in the labels; decides which of Add, Delete and Rename apply
// to the selected node; carries them out through the data items and their rule-script hooks; and
// tells its window which page to show when the selection changes. Pages tell it what they changed
// through update hints (OnUpdate).
//
// Every tree item carries one 32-bit value: the node kind in the low 16 bits and the entry's index
// within its list in the high 16 bits (0 for sections).

#include <QIcon>
#include <QTreeWidget>
#include <cstdint>
#include <functional>

#include "model/data_item.h"

namespace vex::gui {

class CVEXPRGDoc;

namespace node {
inline constexpr int kRoot = 0;
inline constexpr int kSettings = 1;
inline constexpr int kTextMessages = 2;
inline constexpr int kTextMessage = 3;
inline constexpr int kContacts = 4;
inline constexpr int kPublicGroups = 5;
inline constexpr int kPrivateGroups = 6;
inline constexpr int kPrivates = 7;
inline constexpr int kPublicGroup = 8;
inline constexpr int kPrivateGroup = 9;
inline constexpr int kPrivate = 10;
inline constexpr int kLists = 11;
inline constexpr int kScrollList = 12;
inline constexpr int kScanList = 13;
inline constexpr int kScanChannel = 14;
}  // namespace node

constexpr std::uint32_t NodeData(int kind, int index) {
    return static_cast<std::uint32_t>(kind & 0xFFFF) | (static_cast<std::uint32_t>(index) << 16);
}
constexpr int NodeKind(std::uint32_t data) {
    return static_cast<int>(data & 0xFFFF);
}
constexpr int NodeIndex(std::uint32_t data) {
    return static_cast<int>(data >> 16);
}

// The role under which a tree item keeps the number of its picture.
inline constexpr int kImageRole = Qt::UserRole + 1;

// The tree's picture number `n` (0 to 14), from the application's icon set.
QIcon TreeImage(int n);

class CVEXPRGTreeView : public QTreeWidget {
    Q_OBJECT

  public:
    // The longest name a label edit takes.
    static constexpr int kMaxNameLength = 20;

    explicit CVEXPRGTreeView(CVEXPRGDoc* document, QWidget* parent = nullptr);
    ~CVEXPRGTreeView() override;

    // Builds the tree and expands it; a failure is shown in a message box.
    void InitialUpdate();
    void FillTree();

    // The shown page's answer to "may the selection leave you?" (1 yes); none: always yes.
    void SetLeaveCheck(std::function<int()> check) { m_leaveCheck = std::move(check); }

    // Relabels the children of a list node from the list's children, in order.
    void RefreshTreeNode(QTreeWidgetItem* listNode, const CDataItem& listItem);
    // Adds a child to the list of `kind` (2, 5, 6 or 7) through the rules and selects it.
    bool AddNewItem(int kind);
    // Deletes entry `index` of kind 3, 8, 9 or 10 through the rules (asking when they ask).
    // Raises CVEXPRGException.
    void DelItem(int kind, int index);
    // Renames a private, private group or public group item; false when refused.
    bool RenameItem(QTreeWidgetItem* item, const QString& text, bool forced);

    void UpdateCommandState(QTreeWidgetItem* item);
    void UpdateScrollLabel();
    // channel 0: every channel.
    void UpdateChannelLabel(int channel);
    void OnUpdate(std::uint32_t hint);

    // The commands of the tree; each shows its failures.
    void OnAdd();
    void OnDelete();
    void OnRename();
    // Ends a label edit in progress with the edit's text, as a forced rename (before Save, Write
    // and Report). False when the rename is refused: the command must stop.
    bool FinishLabelEdit();

    QTreeWidgetItem* FindNode(std::uint32_t data) const;
    // The label of a text message entry: its text cut to 20 characters and "...".
    static QString MessageLabel(const QString& text);
    // The label of the root: the model name with its family letter spelled out.
    static QString ModelLabel(const QString& model);

  signals:
    // The page for the node with this item data should be shown.
    void NodeSelected(std::uint32_t data);
    void CommandStateChanged();
    // A child was added: the page now shown should focus its first field.
    void FocusFirstFieldRequested();

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void OnContextMenu(const QPoint& position);
    void ApplyOwnEntryLook(QTreeWidgetItem* item, bool own);
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& label, int image, int kind,
                             int index = 0);
    QTreeWidgetItem* ListNode(int kind) const;
    CDataItem ListItem(int kind) const;
    void RefreshList(int kind);
    void ShowCurrentPage();
    void SetCommandFlags(bool add, bool del, bool rename);

    CVEXPRGDoc* m_document;
    std::function<int()> m_leaveCheck;
    QTreeWidgetItem* m_textMessages = nullptr;
    QTreeWidgetItem* m_publicGroups = nullptr;
    QTreeWidgetItem* m_privateGroups = nullptr;
    QTreeWidgetItem* m_privates = nullptr;
    QTreeWidgetItem* m_scrollList = nullptr;
    QTreeWidgetItem* m_scanList = nullptr;
    bool m_bActive = false;
    bool m_bSkipOnce = true;
    bool m_bReverting = false;
};

}  // namespace vex::gui

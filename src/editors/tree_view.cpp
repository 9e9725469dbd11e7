#include "editors/tree_view.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPersistentModelIndex>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include "app/gui_support.h"
#include "app/vexprg_doc.h"
#include "common/exception.h"
#include "common/strings.h"
#include "editors/base_view.h"
#include "editors/item_values.h"

namespace vex::gui {

namespace {

constexpr int kDataRole = Qt::UserRole;

// Label edits: at most 20 characters, and the end of an edit renames through the rules instead
// of writing the label.
class LabelDelegate : public QStyledItemDelegate {
  public:
    explicit LabelDelegate(CVEXPRGTreeView* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* editor =
            qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
        if (editor != nullptr) editor->setMaxLength(CVEXPRGTreeView::kMaxNameLength);
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* item = m_tree->itemFromIndex(index);
        if (line != nullptr && item != nullptr) m_tree->RenameItem(item, line->text(), false);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rheight() += 2;
        return size;
    }

  private:
    CVEXPRGTreeView* m_tree;
};

std::uint32_t DataOf(const QTreeWidgetItem* item) {
    return item != nullptr ? item->data(0, kDataRole).toUInt() : 0;
}

bool IsAnswerYes(int answer) {
    return answer == mb::kIdOk || answer == mb::kIdYes;
}

}  // namespace

QIcon TreeImage(int n) {
    return QIcon(QStringLiteral(":/icons/tree-%1.svg").arg(n, 2, 10, QLatin1Char('0')));
}

CVEXPRGTreeView::CVEXPRGTreeView(CVEXPRGDoc* document, QWidget* parent)
    : QTreeWidget(parent), m_document(document) {
    setObjectName(QStringLiteral("navigationTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
    setRootIsDecorated(true);
    setMouseTracking(true);  // hot tracking
    setItemDelegate(new LabelDelegate(this));
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setContextMenuPolicy(Qt::CustomContextMenu);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    setPalette(colours);
    connect(this, &QTreeWidget::currentItemChanged, this, &CVEXPRGTreeView::OnCurrentItemChanged);
    connect(this, &QWidget::customContextMenuRequested, this, &CVEXPRGTreeView::OnContextMenu);
    connect(document, &CVEXPRGDoc::Updated, this, [this](QObject* sender, std::uint32_t hint) {
        if (sender != this) OnUpdate(hint);
    });
}

CVEXPRGTreeView::~CVEXPRGTreeView() {
    m_bActive = false;
}

QString CVEXPRGTreeView::MessageLabel(const QString& text) {
    return text.size() > 20 ? text.left(20) + QStringLiteral("...") : text;
}

QString CVEXPRGTreeView::ModelLabel(const QString& model) {
    QString label = model;
    return label.replace(QLatin1Char('V'), QStringLiteral("VEX"));
}

void CVEXPRGTreeView::InitialUpdate() {
    try {
        FillTree();
        for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) {
            QTreeWidgetItem* item = *it;
            if (item->childCount() > 0 && item != m_textMessages && item != m_scanList) {
                item->setExpanded(true);
            }
        }
        if (topLevelItemCount() > 0) scrollToItem(topLevelItem(0));
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
    m_bActive = true;
}

QTreeWidgetItem* CVEXPRGTreeView::AddNode(QTreeWidgetItem* parent, const QString& label, int image,
                                          int kind, int index) {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, label);
    item->setIcon(0, TreeImage(image));
    item->setData(0, kImageRole, image);
    item->setData(0, kDataRole, NodeData(kind, index));
    if (kind == node::kPrivate || kind == node::kPublicGroup || kind == node::kPrivateGroup) {
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    return item;
}

void CVEXPRGTreeView::FillTree() {
    const QSignalBlocker blocker(this);
    clear();
    m_textMessages = m_publicGroups = m_privateGroups = m_privates = nullptr;
    m_scrollList = m_scanList = nullptr;

    const CDataItem& root = m_document->Root();
    const CDataItem limit = root.GetChildByName("limit");
    QTreeWidgetItem* top =
        AddNode(nullptr, ModelLabel(AttributeText(limit, "model")), 0, node::kRoot);
    AddNode(top, Text(109), 1, node::kSettings);

    const CDataItem contacts = root.GetChildByName("Contacts");
    QTreeWidgetItem* contactsNode = AddNode(top, Text(131), 4, node::kContacts);
    if (contacts.GetChildByName("Privates").IsEnabled()) {
        m_privates = AddNode(contactsNode, Text(110), 9, node::kPrivates);
    }
    if (contacts.GetChildByName("PrivateGroups").IsEnabled()) {
        m_privateGroups = AddNode(contactsNode, Text(111), 7, node::kPrivateGroups);
    }
    if (contacts.GetChildByName("PublicGroups").IsEnabled()) {
        m_publicGroups = AddNode(contactsNode, Text(112), 5, node::kPublicGroups);
    }
    if (root.GetChildByName("TextMessages").IsEnabled()) {
        m_textMessages = AddNode(top, Text(130), 2, node::kTextMessages);
    }
    QTreeWidgetItem* lists = AddNode(top, Text(113), 12, node::kLists);
    m_scrollList = AddNode(lists, QString(), 13, node::kScrollList);
    if (AttributeFlag(limit, "public_scan_en")) {
        m_scanList = AddNode(lists, Text(115), 14, node::kScanList);
        const auto channels = AttributeNumber(limit, "max_num_of_channels");
        for (int channel = 1; channel <= channels; ++channel) {
            AddNode(m_scanList, QString(), 14, node::kScanChannel, channel - 1);
        }
    }
    for (int kind :
         {node::kPrivates, node::kPrivateGroups, node::kPublicGroups, node::kTextMessages}) {
        RefreshList(kind);
    }
    UpdateScrollLabel();
    UpdateChannelLabel(0);
}

QTreeWidgetItem* CVEXPRGTreeView::ListNode(int kind) const {
    switch (kind) {
        case node::kTextMessages:
        case node::kTextMessage:
            return m_textMessages;
        case node::kPublicGroups:
        case node::kPublicGroup:
            return m_publicGroups;
        case node::kPrivateGroups:
        case node::kPrivateGroup:
            return m_privateGroups;
        case node::kPrivates:
        case node::kPrivate:
            return m_privates;
        default:
            return nullptr;
    }
}

CDataItem CVEXPRGTreeView::ListItem(int kind) const {
    const CDataItem& root = m_document->Root();
    switch (kind) {
        case node::kTextMessages:
        case node::kTextMessage:
            return root.GetChildByName("TextMessages");
        case node::kPublicGroups:
        case node::kPublicGroup:
            return root.GetChildByName("Contacts").GetChildByName("PublicGroups");
        case node::kPrivateGroups:
        case node::kPrivateGroup:
            return root.GetChildByName("Contacts").GetChildByName("PrivateGroups");
        case node::kPrivates:
        case node::kPrivate:
            return root.GetChildByName("Contacts").GetChildByName("Privates");
        default:
            return {};
    }
}

void CVEXPRGTreeView::RefreshList(int kind) {
    if (QTreeWidgetItem* list = ListNode(kind)) RefreshTreeNode(list, ListItem(kind));
}

void CVEXPRGTreeView::ApplyOwnEntryLook(QTreeWidgetItem* item, bool own) {
    QFont font = item->font(0);
    if (font.bold() != own) {
        font.setBold(own);
        item->setFont(0, font);
    }
    const int image = own ? 11 : 10;
    if (item->data(0, kImageRole).toInt() != image) {
        item->setIcon(0, TreeImage(image));
        item->setData(0, kImageRole, image);
    }
}

void CVEXPRGTreeView::RefreshTreeNode(QTreeWidgetItem* listNode, const CDataItem& listItem) {
    if (listNode == nullptr) return;
    const int listKind = NodeKind(DataOf(listNode));
    const int childKind = listKind == node::kTextMessages ? node::kTextMessage : listKind + 3;
    const int image = childKind == node::kTextMessage    ? 3
                      : childKind == node::kPublicGroup  ? 6
                      : childKind == node::kPrivateGroup ? 8
                                                         : 10;
    const QString ownPid = AttributeText(m_document->Root().GetChildByName("limit"), "pid");
    const std::int32_t count = listItem.GetChildCount();
    for (std::int32_t i = 0; i < count; ++i) {
        const CDataItem child = listItem.GetChildByIndex(i);
        QTreeWidgetItem* item = i < listNode->childCount() ? listNode->child(i) : nullptr;
        if (item == nullptr) item = AddNode(listNode, QString(), image, childKind, i);
        const QString label = childKind == node::kTextMessage
                                  ? MessageLabel(AttributeText(child, "txt"))
                                  : AttributeText(child, "name");
        if (item->text(0) != label) item->setText(0, label);
        item->setData(0, kDataRole, NodeData(childKind, i));
        if (childKind == node::kPrivate)
            ApplyOwnEntryLook(item, AttributeText(child, "pid") == ownPid);
    }
    while (listNode->childCount() > count) delete listNode->takeChild(listNode->childCount() - 1);
}

void CVEXPRGTreeView::UpdateScrollLabel() {
    if (m_scrollList == nullptr) return;
    const QString label = QString::asprintf(StringText(163).data(),
                                            CDataItem::GetScrollListCount(m_document->Root()));
    if (m_scrollList->text(0) != label) m_scrollList->setText(0, label);
}

void CVEXPRGTreeView::UpdateChannelLabel(int channel) {
    if (m_scanList == nullptr) return;
    for (int i = 0; i < m_scanList->childCount(); ++i) {
        if (channel != 0 && i != channel - 1) continue;
        const int count = CDataItem::GetScanListCount(m_document->Root(), i + 1);
        const QString label = QString::asprintf(StringText(162).data(), i + 1, count);
        QTreeWidgetItem* item = m_scanList->child(i);
        if (item->text(0) != label) item->setText(0, label);
    }
}

QTreeWidgetItem* CVEXPRGTreeView::FindNode(std::uint32_t nodeData) const {
    for (QTreeWidgetItemIterator it(const_cast<CVEXPRGTreeView*>(this)); *it != nullptr; ++it) {
        if (DataOf(*it) == nodeData) return *it;
    }
    return nullptr;
}

void CVEXPRGTreeView::SetCommandFlags(bool add, bool del, bool rename) {
    AppFlags& flags = Flags();
    flags.addAllowed = add;
    flags.deleteAllowed = del;
    flags.renameAllowed = rename;
    emit CommandStateChanged();
}

void CVEXPRGTreeView::UpdateCommandState(QTreeWidgetItem* item) {
    bool add = false;
    bool del = false;
    bool rename = false;
    try {
        switch (NodeKind(DataOf(item))) {
            case node::kTextMessages:
            case node::kPublicGroups:
            case node::kPrivateGroups:
            case node::kPrivates:
                add = item != nullptr && ListItem(NodeKind(DataOf(item))).CanAddChild();
                break;
            case node::kTextMessage:
                del = true;
                break;
            case node::kPublicGroup:
            case node::kPrivateGroup:
            case node::kPrivate:
                del = rename = true;
                break;
            default:
                break;
        }
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
    SetCommandFlags(add, del, rename);
}

void CVEXPRGTreeView::focusInEvent(QFocusEvent* event) {
    QTreeWidget::focusInEvent(event);
    UpdateCommandState(currentItem());
}

void CVEXPRGTreeView::focusOutEvent(QFocusEvent* event) {
    QTreeWidget::focusOutEvent(event);
    // A menu, the context menu or a message box over the tree does not take the commands away.
    const auto reason = event->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason ||
        reason == Qt::MenuBarFocusReason) {
        return;
    }
    SetCommandFlags(false, false, false);
}

void CVEXPRGTreeView::OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (m_bReverting) return;
    if (m_bActive && previous != nullptr && m_leaveCheck) {
        const QPersistentModelIndex before = indexFromItem(previous);
        const QPersistentModelIndex after = indexFromItem(current);
        const int answer = m_leaveCheck();
        // The check may have deleted the entry it showed (the tree is then already refreshed).
        if (answer != 1 && before.isValid()) {
            m_bReverting = true;
            setCurrentItem(itemFromIndex(before));
            m_bReverting = false;
            return;
        }
        if (!after.isValid()) current = currentItem();
    }
    if (!m_bActive) return;
    emit NodeSelected(DataOf(current));
    UpdateCommandState(current);
}

void CVEXPRGTreeView::ShowCurrentPage() {
    emit NodeSelected(DataOf(currentItem()));
    UpdateCommandState(currentItem());
}

bool CVEXPRGTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const int kind = NodeKind(index.data(kDataRole).toUInt());
    if (kind != node::kPrivate && kind != node::kPublicGroup && kind != node::kPrivateGroup)
        return false;
    return QTreeWidget::edit(index, trigger, event);
}

void CVEXPRGTreeView::OnContextMenu(const QPoint& position) {
    QTreeWidgetItem* item = itemAt(position);
    if (item == nullptr) return;
    setCurrentItem(item);
    if (currentItem() != item) return;  // the page did not let the selection go
    UpdateCommandState(item);
    QMenu menu(this);
    QAction* add = menu.addAction(QIcon(QStringLiteral(":/icons/add.svg")), Text(146));
    QAction* del = menu.addAction(QIcon(QStringLiteral(":/icons/delete.svg")), Text(147));
    QAction* rename = menu.addAction(QIcon(QStringLiteral(":/icons/rename.svg")), tr("Rename"));
    add->setEnabled(Flags().addAllowed);
    del->setEnabled(Flags().deleteAllowed);
    rename->setEnabled(Flags().renameAllowed);
    QAction* chosen = menu.exec(viewport()->mapToGlobal(position));
    if (chosen == add)
        OnAdd();
    else if (chosen == del)
        OnDelete();
    else if (chosen == rename)
        OnRename();
}

bool CVEXPRGTreeView::AddNewItem(int kind) {
    QTreeWidgetItem* list = ListNode(kind);
    if (list == nullptr) return false;
    CDataItem listItem = ListItem(kind);
    if (!listItem.CanAddChild()) return false;
    CDataItem child;
    m_document->Change(tr("Add %1").arg(list->text(0)), [&] {
        child = listItem.AddNewChild();
        return 0;
    });
    if (child.IsEmpty()) return false;
    const int childKind = kind == node::kTextMessages ? node::kTextMessage : kind + 3;
    m_bActive = false;
    {
        // Quiet while the list is relabelled and the new entry selected; the page of the new
        // entry is shown once the blocker is gone.
        const QSignalBlocker blocker(this);
        list->setExpanded(true);
        RefreshTreeNode(list, listItem);
        m_document->SetModifiedFlag(true);
        if (childKind == node::kPublicGroup) {
            UpdateScrollLabel();
            UpdateChannelLabel(static_cast<int>(AttributeNumber(child, "channel")));
        } else if (childKind == node::kPrivate) {
            UpdateScrollLabel();
        }
        // The rules may have sorted the new child anywhere: find it by its node.
        QTreeWidgetItem* added = nullptr;
        for (int i = 0; i < listItem.GetChildCount(); ++i) {
            if (listItem.GetChildByIndex(i).Node() == child.Node()) added = list->child(i);
        }
        if (added == nullptr && list->childCount() > 0) added = list->child(list->childCount() - 1);
        setCurrentItem(added);
    }
    m_bActive = true;
    ShowCurrentPage();
    emit FocusFirstFieldRequested();
    return true;
}

void CVEXPRGTreeView::DelItem(int kind, int index) {
    try {
        CDataItem list = ListItem(kind);
        QString label = tr("Delete");
        if (QTreeWidgetItem* entry = FindNode(NodeData(kind, index)))
            label += QStringLiteral(" ") + entry->text(0);
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        std::int32_t result = m_document->Change(
            label, [&] { return list.RemoveChildByIndex(index, msgId, 0, style); });
        if ((kind == node::kPrivateGroup || kind == node::kPrivate) && result == 2) {
            if (!IsAnswerYes(ShowMessageId(this, msgId, style))) return;
            result = m_document->Change(
                label, [&] { return list.RemoveChildByIndex(index, msgId, 1, style); });
        }
        if (result != 0) return;
        m_bActive = false;
        {
            const QSignalBlocker blocker(this);
            switch (kind) {
                case node::kTextMessage:
                    RefreshList(node::kTextMessages);
                    break;
                case node::kPublicGroup:
                    RefreshList(node::kPublicGroups);
                    UpdateScrollLabel();
                    UpdateChannelLabel(0);
                    break;
                case node::kPrivateGroup:
                    RefreshList(node::kPrivateGroups);
                    UpdateScrollLabel();
                    break;
                case node::kPrivate:
                    RefreshList(node::kPrivateGroups);
                    RefreshList(node::kPrivates);
                    UpdateScrollLabel();
                    break;
                default:
                    break;
            }
        }
        m_bActive = true;
        m_document->SetModifiedFlag(true);
        ShowCurrentPage();
    } catch (CVEXPRGException& error) {
        m_bActive = true;
        error.AddContext("CVEXPRGTreeView::DelItem", 1077, "Exception Catched");
        throw;
    }
}

bool CVEXPRGTreeView::RenameItem(QTreeWidgetItem* item, const QString& text, bool forced) {
    if (!forced && !m_bSkipOnce) {
        m_bSkipOnce = true;
        return false;
    }
    const QString name = text.trimmed();
    if (name.isEmpty() || item == nullptr) return false;
    const std::uint32_t itemData = DataOf(item);
    const int kind = NodeKind(itemData);
    if (kind != node::kPrivate && kind != node::kPrivateGroup && kind != node::kPublicGroup)
        return false;
    try {
        CDataItem entry = ListItem(kind).GetChildByIndex(NodeIndex(itemData));
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        const std::int32_t result = m_document->Change(tr("Rename %1").arg(item->text(0)), [&] {
            return entry.SetAttributeValue("name", Std(name), msgId, 0, style);
        });
        if (result == 0) {
            item->setText(0, name);
            m_document->SetModifiedFlag(true);
            m_document->UpdateAllViews(this, MakeHint(hint::kRefresh, kind, NodeIndex(itemData)));
            return true;
        }
        if (forced) m_bSkipOnce = false;
        ShowMessageId(this, msgId, style);
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
    return false;
}

bool CVEXPRGTreeView::FinishLabelEdit() {
    if (state() != QAbstractItemView::EditingState) return true;
    const QModelIndex index = currentIndex();
    auto* editor = qobject_cast<QLineEdit*>(indexWidget(index));
    if (editor == nullptr) return true;
    const QPersistentModelIndex kept = index;
    if (RenameItem(itemFromIndex(index), editor->text(), true)) {
        if (kept.isValid() && indexWidget(kept) == editor)
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        return true;
    }
    // When the message box did not end the edit, end it here without another rename.
    if (kept.isValid() && indexWidget(kept) == editor) {
        closeEditor(editor, QAbstractItemDelegate::NoHint);
        m_bSkipOnce = true;
    }
    return false;
}

void CVEXPRGTreeView::OnAdd() {
    try {
        AddNewItem(NodeKind(DataOf(currentItem())));
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

void CVEXPRGTreeView::OnDelete() {
    if (!Flags().deleteAllowed) return;
    const std::uint32_t itemData = DataOf(currentItem());
    try {
        DelItem(NodeKind(itemData), NodeIndex(itemData));
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

void CVEXPRGTreeView::OnRename() {
    QTreeWidgetItem* item = currentItem();
    if (item != nullptr && Flags().renameAllowed) editItem(item, 0);
}

void CVEXPRGTreeView::OnUpdate(std::uint32_t hintValue) {
    const int action = static_cast<int>(hintValue & 0xFF);
    const int kind = static_cast<int>((hintValue >> 8) & 0xFF);
    const int index = static_cast<int>(hintValue >> 16);
    try {
        switch (action) {
            case hint::kAdd:
                if (kind == node::kTextMessages || kind == node::kPublicGroups ||
                    kind == node::kPrivateGroups || kind == node::kPrivates) {
                    AddNewItem(kind);
                }
                break;
            case hint::kDelete:
                if (kind == node::kTextMessage || kind == node::kPublicGroup ||
                    kind == node::kPrivateGroup || kind == node::kPrivate) {
                    DelItem(kind, index);
                }
                break;
            case hint::kRefresh:
                switch (kind) {
                    case node::kTextMessage:
                        RefreshList(node::kTextMessages);
                        break;
                    case node::kPublicGroup:
                        RefreshList(node::kPublicGroups);
                        UpdateChannelLabel(0);
                        break;
                    case node::kPrivateGroup:
                        RefreshList(node::kPrivateGroups);
                        break;
                    case node::kPrivate:
                        RefreshList(node::kPrivateGroups);
                        RefreshList(node::kPrivates);
                        break;
                    case node::kScrollList:
                        UpdateScrollLabel();
                        break;
                    case node::kScanChannel:
                        UpdateChannelLabel(index + 1);
                        break;
                    default:
                        break;
                }
                break;
            default:
                break;
        }
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

}  // namespace vex::gui

#include "editors/private_group_view.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <algorithm>

#include "app/gui_support.h"
#include "app/vexprg_doc.h"
#include "common/exception.h"
#include "editors/item_values.h"
#include "editors/list_filter.h"
#include "editors/tree_view.h"
#include "ui_private_group_view.h"

namespace vex::gui {

namespace {

constexpr AddControls kAdd = {1096, 1097, 10039};
constexpr int kIndexRole = Qt::UserRole;
constexpr int kLeftRole = Qt::UserRole + 1;
constexpr int kNameRole = Qt::UserRole + 2;
const QColor kGrey(164, 164, 164);

// List entries sort by their text without regard to case.
class EntryItem : public QListWidgetItem {
  public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

bool CanJoin(const QListWidgetItem* item) {
    return item->data(kLeftRole).toInt() > 0;
}

// The PIDs as the ID list shows them: by value.
bool PidLess(const QString& a, const QString& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace

CPrivateGroupView::CPrivateGroupView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CContactItemView(document, kind, index, "PrivateGroups", node::kPrivateGroups, parent) {
    Ui::PrivateGroupView ui;
    ui.setupUi(Form());
    SetUpContactPage(1065, kAdd, 1069);
    m_channel = ControlAs<QComboBox>(1070);
    m_id = ControlAs<QComboBox>(1071);
    m_all = ControlAs<QListWidget>(1072);
    m_members = ControlAs<QListWidget>(1075);
    m_add = ControlAs<QPushButton>(1073);
    m_remove = ControlAs<QPushButton>(1074);
    m_add->setEnabled(false);
    m_remove->setEnabled(false);
    for (QListWidget* list : {m_all, m_members}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setSortingEnabled(true);
        list->setIconSize(QSize(17, 17));
        list->setMouseTracking(true);
        list->installEventFilter(this);
    }
    // These lists show names only: the filter says so.
    for (int box : {2003, 2004})
        ControlAs<QLineEdit>(box)->setPlaceholderText(tr("Filter by name"));
    InstallRowFilter(ControlAs<QLineEdit>(2003), m_all);
    InstallRowFilter(ControlAs<QLineEdit>(2004), m_members);

    connect(m_add, &QPushButton::clicked, this, &CPrivateGroupView::OnAddMembers);
    connect(m_remove, &QPushButton::clicked, this, &CPrivateGroupView::OnRemoveMembers);
    connect(m_all, &QListWidget::itemSelectionChanged, this,
            &CPrivateGroupView::OnAllSelectionChanged);
    connect(m_members, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_members->hasFocus()) m_remove->setEnabled(!m_members->selectedItems().isEmpty());
    });
    connect(m_all, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_add->isEnabled()) OnAddMembers();
    });
    connect(m_members, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_remove->isEnabled()) OnRemoveMembers();
    });
    LimitPopup(m_channel);
    LimitPopup(m_id);
    connect(m_channel, &QComboBox::currentIndexChanged, this, &CPrivateGroupView::OnChannelChanged);
    connect(m_id, &QComboBox::currentIndexChanged, this, &CPrivateGroupView::OnIdChanged);
}

void CPrivateGroupView::LoadLabels() {
    const std::pair<int, int> labels[] = {
        {1066, 10052}, {1067, 10053}, {1068, 10054}, {1076, 10102}, {1077, 10103}};
    for (const auto& [control, text] : labels) Control(control)->setProperty("text", Text(text));
    m_add->setText(Text(10084));
    m_remove->setText(Text(10085));
    LoadContactLabels(1065, kAdd);
}

int CPrivateGroupView::GroupsLeft(const CDataItem& contact) {
    try {
        const std::int32_t groups = contact.GetChildByName("ParentPrivateGroups").GetChildCount();
        return groups <= kMaxGroups ? kMaxGroups - groups : -1;
    } catch (const CVEXPRGException&) {
        return -1;
    }
}

void CPrivateGroupView::LoadData() {
    const QSignalBlocker channelBlocker(m_channel);
    const QSignalBlocker idBlocker(m_id);
    try {
        FindItem();
        const CDataItem limit = Root().GetChildByName("limit");
        m_ownPid = AttributeText(limit, "pid");
        m_nameEdit->setText(AttributeText(m_item, "name"));

        m_channel->clear();
        const auto channels = AttributeNumber(limit, "max_num_of_channels");
        for (long long channel = 1; channel <= channels; ++channel)
            m_channel->addItem(FormatIdText(10104, {channel}));
        m_channelSelection = m_channel->findText(
            FormatIdText(10104, {static_cast<long long>(AttributeNumber(m_item, "channel"))}));
        if (m_channelSelection < 0) {
            ProfileDataError();
            return;
        }
        m_channel->setCurrentIndex(m_channelSelection);

        const QString pid = AttributeText(m_item, "pid");
        QStringList pids;
        const CDataItem privates = Root().GetChildByName("Contacts").GetChildByName("Privates");
        for (std::int32_t i = 0; i < privates.GetChildCount(); ++i) {
            const CDataItem contact = privates.GetChildByIndex(i);
            if (AttributeNumber(contact, "id_in_use") == 0) pids << AttributeText(contact, "pid");
        }
        if (!pids.contains(pid)) pids << pid;
        std::sort(pids.begin(), pids.end(), PidLess);
        pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
        m_id->clear();
        m_id->addItems(pids);
        m_idSelection = m_id->findText(pid);
        m_id->setCurrentIndex(m_idSelection);

        if (!FillLists()) ProfileDataError();
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

QListWidgetItem* CPrivateGroupView::MakeEntry(std::int32_t privateIndex, bool member,
                                              int groupsLeft) {
    const CDataItem contact =
        Root().GetChildByName("Contacts").GetChildByName("Privates").GetChildByIndex(privateIndex);
    const QString name = AttributeText(contact, "name");
    auto* item = new EntryItem(member ? name : name + FormatIdText(10100, {groupsLeft}));
    item->setData(kIndexRole, privateIndex);
    item->setData(kLeftRole, groupsLeft);
    item->setData(kNameRole, name);
    item->setIcon(TreeImage(AttributeText(contact, "pid") == m_ownPid ? 11 : 10));
    if (!member && groupsLeft == 0) {
        item->setForeground(kGrey);
        item->setToolTip(Text(173));
    }
    return item;
}

bool CPrivateGroupView::FillLists() {
    const QSignalBlocker allBlocker(m_all);
    m_all->clear();
    m_members->clear();
    const QString pid = AttributeText(m_item, "pid");
    const auto channel = AttributeNumber(m_item, "channel");
    const CDataItem privates = Root().GetChildByName("Contacts").GetChildByName("Privates");
    for (std::int32_t i = 0; i < privates.GetChildCount(); ++i) {
        const CDataItem contact = privates.GetChildByIndex(i);
        if (AttributeNumber(contact, "channel") != channel) continue;
        const CDataItem parents = contact.GetChildByName("ParentPrivateGroups");
        bool member = false;
        for (std::int32_t j = 0; j < parents.GetChildCount() && !member; ++j)
            member = AttributeText(parents.GetChildByIndex(j), "pid") == pid;
        const int left = GroupsLeft(contact);
        if (member) {
            m_members->addItem(MakeEntry(i, true, left));
        } else {
            if (left < 0) return false;
            m_all->addItem(MakeEntry(i, false, left));
        }
    }
    ReapplyRowFilter(ControlAs<QLineEdit>(2003));
    ReapplyRowFilter(ControlAs<QLineEdit>(2004));
    m_add->setEnabled(false);
    m_remove->setEnabled(false);
    return true;
}

void CPrivateGroupView::ShowStatus(const QString& text) {
    if (Flags().suppressValidation) return;
    m_status = text;
    if (auto* frame = qobject_cast<QMainWindow*>(window())) frame->statusBar()->showMessage(text);
}

void CPrivateGroupView::OnAllSelectionChanged() {
    if (m_bDeselecting || IsRetired()) return;
    m_bDeselecting = true;
    for (QListWidgetItem* item : m_all->selectedItems()) {
        if (!CanJoin(item)) item->setSelected(false);
    }
    m_bDeselecting = false;
    const bool selected = !m_all->selectedItems().isEmpty();
    ShowStatus(selected ? Text(57345) : Text(173));
    m_add->setEnabled(selected);
}

bool CPrivateGroupView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == m_all || watched == m_members)) {
        auto* list = static_cast<QListWidget*>(watched);
        const bool selected = !list->selectedItems().isEmpty();
        (list == m_all ? m_add : m_remove)->setEnabled(selected);
        (list == m_all ? m_remove : m_add)->setEnabled(false);
    }
    return CContactItemView::eventFilter(watched, event);
}

void CPrivateGroupView::FocusAllPrivates() {
    m_all->setFocus(Qt::OtherFocusReason);
}

void CPrivateGroupView::OnAddMembers() {
    if (IsRetired()) return;
    MarkModified();
    QList<QListWidgetItem*> chosen;
    for (QListWidgetItem* item : m_all->selectedItems()) {
        if (CanJoin(item)) chosen << item;
    }
    if (chosen.isEmpty()) return;
    std::sort(chosen.begin(), chosen.end(), [this](QListWidgetItem* a, QListWidgetItem* b) {
        return m_all->row(a) < m_all->row(b);
    });
    try {
        const std::string pid = Std(AttributeText(m_item, "pid"));
        const CDataItem privates = Root().GetChildByName("Contacts").GetChildByName("Privates");
        bool failed = false;
        Document()->Change(tr("Add members to %1").arg(AttributeText(m_item, "name")), [&] {
            for (QListWidgetItem* item : chosen) {
                CDataItem parents = privates.GetChildByIndex(item->data(kIndexRole).toInt())
                                        .GetChildByName("ParentPrivateGroups");
                CDataItem entry = parents.AddNewChild();
                std::int32_t msgId = 0;
                std::int32_t style = 0;
                if (entry.IsEmpty() || entry.SetAttributeValue("pid", pid, msgId, 0, style) != 0) {
                    failed = true;
                    break;
                }
            }
            return 0;
        });
        if (failed) {
            ProfileDataError();
            return;
        }
    } catch (const CVEXPRGException&) {
        ProfileDataError();
        return;
    }

    const QSignalBlocker blocker(m_all);
    int lastRow = 0;
    for (QListWidgetItem* item : chosen) {
        const int index = item->data(kIndexRole).toInt();
        const int left = item->data(kLeftRole).toInt() - 1;
        lastRow = m_all->row(item);
        delete m_all->takeItem(lastRow);
        m_members->addItem(MakeEntry(index, true, left));
    }
    ReapplyRowFilter(ControlAs<QLineEdit>(2004));
    // The next private that can join: forward from the last one moved, else back from the end.
    QListWidgetItem* next = nullptr;
    for (int row = lastRow; row < m_all->count() && next == nullptr; ++row) {
        QListWidgetItem* item = m_all->item(row);
        if (CanJoin(item) && !item->isHidden()) next = item;
    }
    for (int row = m_all->count() - 1; row >= 0 && next == nullptr; --row) {
        QListWidgetItem* item = m_all->item(row);
        if (CanJoin(item) && !item->isHidden()) next = item;
    }
    m_all->clearSelection();
    if (next != nullptr) {
        next->setSelected(true);
        m_all->setCurrentItem(next, QItemSelectionModel::NoUpdate);
    }
    OnAllSelectionChanged();
    FocusAllPrivates();
}

void CPrivateGroupView::OnRemoveMembers() {
    if (IsRetired()) return;
    MarkModified();
    const QList<QListWidgetItem*> chosen = m_members->selectedItems();
    if (chosen.isEmpty()) return;
    try {
        const QString pid = AttributeText(m_item, "pid");
        const CDataItem privates = Root().GetChildByName("Contacts").GetChildByName("Privates");
        Document()->Change(tr("Remove members from %1").arg(AttributeText(m_item, "name")), [&] {
            for (QListWidgetItem* item : chosen) {
                CDataItem parents = privates.GetChildByIndex(item->data(kIndexRole).toInt())
                                        .GetChildByName("ParentPrivateGroups");
                for (std::int32_t j = parents.GetChildCount() - 1; j >= 0; --j) {
                    if (AttributeText(parents.GetChildByIndex(j), "pid") != pid) continue;
                    std::int32_t msgId = 0;
                    std::int32_t style = 0;
                    parents.RemoveChildByIndex(j, msgId, 0, style);
                }
            }
            return 0;
        });
        const QSignalBlocker blocker(m_all);
        for (QListWidgetItem* item : chosen) {
            const int index = item->data(kIndexRole).toInt();
            const int left = GroupsLeft(privates.GetChildByIndex(index));
            if (left < 0) {
                ProfileDataError();
                return;
            }
            delete m_members->takeItem(m_members->row(item));
            m_all->addItem(MakeEntry(index, false, left));
        }
        ReapplyRowFilter(ControlAs<QLineEdit>(2003));
        m_remove->setEnabled(!m_members->selectedItems().isEmpty());
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

void CPrivateGroupView::OnChannelChanged(int selection) {
    if (selection < 0 || IsRetired()) return;
    MarkModified();
    const auto restore = [this] {
        const QSignalBlocker blocker(m_channel);
        m_channel->setCurrentIndex(m_channelSelection);
    };
    try {
        const std::int32_t channel = selection + 1;
        bool joinable = false;
        const CDataItem privates = Root().GetChildByName("Contacts").GetChildByName("Privates");
        for (std::int32_t i = 0; i < privates.GetChildCount(); ++i) {
            const CDataItem contact = privates.GetChildByIndex(i);
            if (AttributeNumber(contact, "channel") != channel) continue;
            const int left = GroupsLeft(contact);
            if (left < 0 && contact.GetChildByName("ParentPrivateGroups").IsEmpty()) {
                ProfileDataError();
                return;
            }
            if (left > 0) joinable = true;
        }
        if (!joinable) {
            restore();
            ShowMessageId(this, 10108, mb::kOk | mb::kIconWarning);
            return;
        }
        if (!SetValueAsking("channel", channel)) {
            restore();
            return;
        }
        m_channelSelection = selection;
        if (!FillLists()) ProfileDataError();
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

void CPrivateGroupView::OnIdChanged(int selection) {
    if (selection < 0 || IsRetired() || selection == m_idSelection) return;
    MarkModified();
    try {
        // Another group may already use this private's ID: then the old one stays.
        if (SetFromChoice(m_id, m_idSelection, selection, "pid", Std(m_id->itemText(selection))))
            RefreshTreeEntry();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

int CPrivateGroupView::ValidateData() {
    return ValidateContact([this] { return m_members->count() == 0 ? Text(10164) : QString(); },
                           [this] { FocusAllPrivates(); });
}

}  // namespace vex::gui

#include "editors/lists_view.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

#include "app/gui_support.h"
#include "app/vexprg_doc.h"
#include "common/exception.h"
#include "editors/contact_table.h"
#include "editors/item_values.h"
#include "editors/list_filter.h"
#include "ui_lists_view.h"
#include "ui_scan_channel_view.h"
#include "ui_scan_list_view.h"
#include "ui_scroll_list_view.h"

namespace vex::gui {

namespace {

constexpr int kContactKinds[] = {contact_kind::kPrivate, contact_kind::kPrivateGroup,
                                 contact_kind::kPublicGroup};
constexpr int kMinChannelColumn = 90;

// A string with one "%d", filled in.
QString Format(int id, int number) {
    return Text(id).replace(QStringLiteral("%d"), QString::number(number));
}

void SetText(QWidget* control, const QString& text) {
    control->setProperty("text", text);
}

CDataItem ContactList(const CDataItem& root, int kind) {
    return root.GetChildByName("Contacts").GetChildByName(ContactListName(kind));
}

}  // namespace

// ---- Lists overview -----------------------------------------------------------------------------

CListsView::CListsView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CBaseView(document, kind, index, parent) {
    Ui::ListsView ui;
    ui.setupUi(Form());
    SetLayoutTable(
        {{1011, LayoutKind::Title}, {1013, LayoutKind::Section}, {1012, LayoutKind::Section}});
    auto* scroll = ControlAs<QTableWidget>(1000);
    SetUpContactTable(scroll);
    scroll->setSelectionMode(QAbstractItemView::NoSelection);
    auto* scan = ControlAs<QTableWidget>(1001);
    scan->setEditTriggers(QAbstractItemView::NoEditTriggers);
    scan->setSelectionMode(QAbstractItemView::NoSelection);
    scan->verticalHeader()->setDefaultSectionSize(20);
    ControlAs<QCheckBox>(1002)->setEnabled(false);
}

void CListsView::LoadLabels() {
    SetText(Control(1011), Text(117));
    SetText(Control(1013), Text(118));
    SetText(Control(1012), Text(119));
    SetText(Control(1014), Text(118));
    SetText(Control(1015), Text(120));
}

void CListsView::LoadData() {
    try {
        const CDataItem& root = Root();
        const CDataItem limit = root.GetChildByName("limit");
        const QString ownPid = AttributeText(limit, "pid");

        auto* scroll = ControlAs<QTableWidget>(1000);
        scroll->setRowCount(0);
        for (int kind : kContactKinds) {
            const CDataItem list = ContactList(root, kind);
            for (std::int32_t i = 0; i < list.GetChildCount(); ++i) {
                const CDataItem contact = list.GetChildByIndex(i);
                if (!AttributeFlag(contact, "in_scroll_list")) continue;
                const QString pid = AttributeText(contact, "pid");
                AddContactRow(scroll, kind, i, AttributeText(contact, "name"), pid,
                              kind == contact_kind::kPrivate && pid == ownPid);
            }
        }
        SortContactTable(scroll);

        const int channels =
            std::max(0, static_cast<int>(AttributeNumber(limit, "max_num_of_channels")));
        auto* scan = ControlAs<QTableWidget>(1001);
        scan->clear();
        scan->setRowCount(kScanListSize);
        scan->setColumnCount(channels);
        QStringList headers;
        for (int channel = 1; channel <= channels; ++channel) headers << Format(116, channel);
        scan->setHorizontalHeaderLabels(headers);
        std::vector<int> filled(static_cast<std::size_t>(channels), 0);
        const CDataItem groups = ContactList(root, contact_kind::kPublicGroup);
        for (std::int32_t i = 0; i < groups.GetChildCount(); ++i) {
            const CDataItem group = groups.GetChildByIndex(i);
            if (!AttributeFlag(group, "in_scan_list")) continue;
            const int channel = static_cast<int>(AttributeNumber(group, "channel"));
            if (channel < 1 || channel > channels) continue;
            int& row = filled[static_cast<std::size_t>(channel - 1)];
            if (row >= kScanListSize) continue;
            scan->setItem(row++, channel - 1, new QTableWidgetItem(AttributeText(group, "name")));
        }
        const int width = scan->viewport()->width();
        for (int column = 0; column < channels; ++column) {
            scan->setColumnWidth(column,
                                 std::max(kMinChannelColumn, width / std::max(1, channels)));
        }
        ControlAs<QCheckBox>(1002)->setChecked(
            AttributeFlag(root.GetChildByName("setting"), "scan_en"));
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

// ---- Membership pages ---------------------------------------------------------------------------

void CMembershipView::SetUpLists(int availableId, int membersId, int addId, int removeId,
                                 int filterId) {
    m_available = ControlAs<QTableWidget>(availableId);
    m_members = ControlAs<QTableWidget>(membersId);
    m_add = ControlAs<QPushButton>(addId);
    m_remove = ControlAs<QPushButton>(removeId);
    m_filter = ControlAs<QLineEdit>(filterId);
    SetUpContactTable(m_available);
    SetUpContactTable(m_members);
    WireMovePair(m_available, m_add, m_members, m_remove);
    InstallRowFilter(m_filter, m_available, {contact_column::kName, contact_column::kPid});
    InstallRowFilter(m_filter, m_members, {contact_column::kName, contact_column::kPid});
    connect(m_add, &QPushButton::clicked, this, &CMembershipView::OnAdd);
    connect(m_remove, &QPushButton::clicked, this, &CMembershipView::OnRemove);
}

CDataItem CMembershipView::ContactItem(int kind, int globalIndex) const {
    return ContactList(Root(), kind).GetChildByIndex(globalIndex);
}

void CMembershipView::FillLists() {
    const CDataItem& root = Root();
    const QString ownPid = AttributeText(root.GetChildByName("limit"), "pid");
    m_available->setRowCount(0);
    m_members->setRowCount(0);
    for (int kind : kContactKinds) {
        const CDataItem list = ContactList(root, kind);
        for (std::int32_t i = 0; i < list.GetChildCount(); ++i) {
            const CDataItem contact = list.GetChildByIndex(i);
            if (!Lists(contact, kind)) continue;
            const QString pid = AttributeText(contact, "pid");
            AddContactRow(AttributeFlag(contact, MemberAttribute()) ? m_members : m_available, kind,
                          i, AttributeText(contact, "name"), pid,
                          kind == contact_kind::kPrivate && pid == ownPid);
        }
    }
    SortContactTable(m_available);
    SortContactTable(m_members);
    ReapplyRowFilter(m_filter);
    m_add->setEnabled(false);
    m_remove->setEnabled(false);
}

void CMembershipView::OnAdd() {
    if (!MayAddMore(true)) return;
    Move(m_available, m_members, 1);
}

void CMembershipView::OnRemove() {
    Move(m_members, m_available, 0);
}

void CMembershipView::Move(QTableWidget* from, QTableWidget* to, int value) {
    const bool adding = value == 1;
    try {
        for (;;) {
            const std::vector<int> rows = SelectedRows(from);
            if (rows.empty()) break;
            if (adding && !MayAddMore(false)) break;
            const int row = rows.front();
            const ContactRow contact = RowContact(from, row);
            from->selectionModel()->select(
                from->model()->index(row, 0),
                QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
            CDataItem item = ContactItem(contact.kind, contact.globalIndex);
            const QString name = from->item(row, contact_column::kName)->text();
            const QString pid = from->item(row, contact_column::kPid)->text();
            const bool own = contact.kind == contact_kind::kPrivate &&
                             pid == AttributeText(Root().GetChildByName("limit"), "pid");
            std::int32_t msgId = 0;
            std::int32_t style = 0;
            const std::int32_t result =
                Document()->Change((adding ? tr("Add %1") : tr("Remove %1")).arg(name), [&] {
                    return item.SetAttributeValue(MemberAttribute(), std::int32_t{value}, msgId, 0,
                                                  style);
                });
            if (result == 0) {
                from->removeRow(row);
                AddContactRow(to, contact.kind, contact.globalIndex, name, pid, own);
                SortContactTable(to);
                MarkModified();
                SendHint(hint::kRefresh, NodeKind(), NodeIndex());
                if (msgId != 0) ShowMessageId(this, msgId, style);
            } else if (result == 1) {
                ShowMessageId(this, msgId, style);
            } else {
                break;
            }
        }
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
    ReapplyRowFilter(m_filter);
    m_add->setEnabled(from == m_available && !SelectedRows(m_available).empty());
    m_remove->setEnabled(from == m_members && !SelectedRows(m_members).empty());
    from->setFocus(Qt::OtherFocusReason);
}

// ---- Scroll list --------------------------------------------------------------------------------

CScrollListView::CScrollListView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CMembershipView(document, kind, index, parent) {
    Ui::ScrollListView ui;
    ui.setupUi(Form());
    SetLayoutTable({{1011, LayoutKind::Title}});
    SetUpLists(1004, 1003, 1005, 1006, 1030);
}

void CScrollListView::LoadLabels() {
    SetText(Control(1011), Text(118));
    SetText(Control(1024), Text(121));
    SetText(Control(1025), Text(118));
    SetText(Control(1005), Text(122));
    SetText(Control(1006), Text(123));
}

void CScrollListView::LoadData() {
    try {
        FillLists();
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

// ---- Scan list of one channel -------------------------------------------------------------------

CScanChannelView::CScanChannelView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CMembershipView(document, kind, index, parent) {
    Ui::ScanChannelView ui;
    ui.setupUi(Form());
    SetLayoutTable({{1011, LayoutKind::Title}});
    SetUpLists(1018, 1017, 1019, 1020, 1030);
}

void CScanChannelView::LoadLabels() {
    SetText(Control(1011), Format(124, Channel()));
    SetText(Control(1021), Text(125));
    SetText(Control(1022), Text(119));
    SetText(Control(1019), Text(122));
    SetText(Control(1020), Text(123));
}

void CScanChannelView::LoadData() {
    try {
        FillLists();
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

bool CScanChannelView::Lists(const CDataItem& contact, int kind) const {
    return kind == contact_kind::kPublicGroup && AttributeNumber(contact, "channel") == Channel();
}

bool CScanChannelView::MayAddMore(bool first) {
    if (Members()->rowCount() < CListsView::kScanListSize) return true;
    if (first)
        ShowMessageId(this, 155);
    else
        ShowMessage(this, Format(164, CListsView::kScanListSize));
    return false;
}

// ---- Scan mode ----------------------------------------------------------------------------------

CScanListView::CScanListView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CBaseView(document, kind, index, parent) {
    Ui::ScanListView ui;
    ui.setupUi(Form());
    SetLayoutTable({{1107, LayoutKind::Title}});
    connect(ControlAs<QCheckBox>(1109), &QCheckBox::clicked, this, &CScanListView::OnScanMode);
}

void CScanListView::LoadLabels() {
    SetText(Control(1107), Text(119));
    SetText(Control(1108), Text(120));
}

void CScanListView::LoadData() {
    try {
        ControlAs<QCheckBox>(1109)->setChecked(
            AttributeFlag(Root().GetChildByName("setting"), "scan_en"));
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

void CScanListView::OnScanMode(bool ticked) {
    auto* box = ControlAs<QCheckBox>(1109);
    try {
        CDataItem setting = Root().GetChildByName("setting");
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        const std::int32_t result = Document()->Change(tr("Scan Mode"), [&] {
            return setting.SetAttributeValue("scan_en", std::int32_t{ticked ? 1 : 0}, msgId, 0,
                                             style);
        });
        if (result == 0) MarkModified();
        if (msgId != 0) ShowMessageId(this, msgId, style);
        if (result != 0) box->setChecked(AttributeFlag(setting, "scan_en"));
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

}  // namespace vex::gui

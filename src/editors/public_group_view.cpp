#include "editors/public_group_view.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include "app/gui_support.h"
#include "common/exception.h"
#include "common/pid.h"
#include "editors/item_values.h"
#include "editors/tree_view.h"
#include "ui_public_group_view.h"

namespace vex::gui {

namespace {

constexpr AddControls kAdd = {1092, 1093, 10037};

}  // namespace

CPublicGroupView::CPublicGroupView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CContactItemView(document, kind, index, "PublicGroups", node::kPublicGroups, parent) {
    Ui::PublicGroupView ui;
    ui.setupUi(Form());
    SetUpContactPage(1049, kAdd, 1053);
    m_channel = ControlAs<QComboBox>(1002);
    m_id = ControlAs<QComboBox>(1004);
    LimitPopup(m_channel);
    LimitPopup(m_id);
    connect(m_channel, &QComboBox::currentIndexChanged, this, &CPublicGroupView::OnChannelChanged);
    connect(m_id, &QComboBox::currentIndexChanged, this, &CPublicGroupView::OnIdChanged);
}

QString CPublicGroupView::PositionText(int position, bool taken) {
    return (taken ? QStringLiteral("x  ") : QStringLiteral("   ")) + QString::number(position);
}

void CPublicGroupView::LoadLabels() {
    Control(1050)->setProperty("text", Text(10052));
    Control(1051)->setProperty("text", Text(10053));
    Control(1052)->setProperty("text", Text(10054));
    LoadContactLabels(1049, kAdd);
}

void CPublicGroupView::LoadData() {
    const QSignalBlocker channelBlocker(m_channel);
    const QSignalBlocker idBlocker(m_id);
    try {
        FindItem();
        const CDataItem limit = Root().GetChildByName("limit");
        const CDataItem groups = ContactList();
        m_channel->clear();
        const auto channels = AttributeNumber(limit, "max_num_of_channels");
        for (long long channel = 1; channel <= channels; ++channel)
            m_channel->addItem(FormatIdText(10104, {channel}));

        const std::string start = Std(AttributeText(limit, "starting_public_grp_pid"));
        const std::string own = Std(AttributeText(m_item, "pid"));
        std::vector<std::string> others;
        for (std::int32_t i = 0; i < groups.GetChildCount(); ++i) {
            if (i != NodeIndex())
                others.push_back(Std(AttributeText(groups.GetChildByIndex(i), "pid")));
        }
        m_id->clear();
        const auto size = AttributeNumber(limit, "public_grp_list_size");
        for (long long position = 1; position <= size; ++position) {
            const std::string pid = PidDifference(start, std::to_string(position - 1));
            const bool taken =
                !pid.empty() && std::find(others.begin(), others.end(), pid) != others.end();
            m_id->addItem(PositionText(static_cast<int>(position), taken));
        }

        m_nameEdit->setText(AttributeText(m_item, "name"));
        m_channelSelection = m_channel->findText(
            FormatIdText(10104, {static_cast<long long>(AttributeNumber(m_item, "channel"))}));
        const std::string offset = PidDifference(start, own);
        m_idSelection =
            offset.empty()
                ? -1
                : m_id->findText(PositionText(static_cast<int>(PidToInt64(offset) + 1), false));
        if (m_channelSelection < 0 || m_idSelection < 0) {
            ProfileDataError();
            return;
        }
        m_channel->setCurrentIndex(m_channelSelection);
        m_id->setCurrentIndex(m_idSelection);
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

void CPublicGroupView::OnChannelChanged(int selection) {
    if (selection < 0 || IsRetired()) return;
    MarkModified();
    try {
        const long long before = m_channelSelection + 1;
        const long long after = selection + 1;
        if (SetValueAsking("channel", static_cast<std::int32_t>(after), {before, after})) {
            m_channelSelection = selection;
        } else {
            const QSignalBlocker blocker(m_channel);
            m_channel->setCurrentIndex(m_channelSelection);
        }
        RefreshTreeEntry();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

void CPublicGroupView::OnIdChanged(int selection) {
    if (selection < 0 || IsRetired()) return;
    MarkModified();
    if (selection == m_idSelection) return;
    try {
        const std::string pid = PidDifference(
            Std(AttributeText(Root().GetChildByName("limit"), "starting_public_grp_pid")),
            std::to_string(selection));
        if (pid.empty()) {
            ProfileDataError();
            return;
        }
        SetFromChoice(m_id, m_idSelection, selection, "pid", pid);
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

int CPublicGroupView::ValidateData() {
    return ValidateContact([] { return QString(); }, [] {});
}

}  // namespace vex::gui

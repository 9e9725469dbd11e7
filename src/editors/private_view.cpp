#include "editors/private_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

#include "app/gui_support.h"
#include "app/transfer_dialogs.h"
#include "common/exception.h"
#include "common/pid.h"
#include "editors/item_values.h"
#include "editors/tree_view.h"
#include "ui_private_view.h"

namespace vex::gui {

namespace {

constexpr AddControls kAdd = {1094, 1095, 10041};
constexpr int kRingers = 12;

// The read-PID dialog, run modally: the ID it captured, or nothing.
std::optional<QString> RunReadPidDialog(QWidget* parent) {
    CReadPidDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QString pid = CReadPidDialog::GetPidResult();
    if (pid.isEmpty()) return std::nullopt;
    return pid;
}

CPrivateView::PidReader& Reader() {
    static CPrivateView::PidReader reader = RunReadPidDialog;
    return reader;
}

// The name of the public or private group whose pid is `pid`; empty when there is none.
QString GroupName(const CDataItem& root, const QString& pid) {
    const CDataItem contacts = root.GetChildByName("Contacts");
    for (const char* listName : {"PublicGroups", "PrivateGroups"}) {
        const CDataItem list = contacts.GetChildByName(listName);
        for (std::int32_t i = 0; i < list.GetChildCount(); ++i) {
            const CDataItem group = list.GetChildByIndex(i);
            if (AttributeText(group, "pid") == pid) return AttributeText(group, "name");
        }
    }
    return {};
}

}  // namespace

void CPrivateView::SetPidReader(PidReader reader) {
    Reader() = reader ? std::move(reader) : RunReadPidDialog;
}

CPrivateView::CPrivateView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CContactItemView(document, kind, index, "Privates", node::kPrivates, parent) {
    Ui::PrivateView ui;
    ui.setupUi(Form());
    SetUpContactPage(1055, kAdd, 1059);
    m_pid = ControlAs<QLineEdit>(1061);
    m_read = ControlAs<QPushButton>(1062);
    m_channel = ControlAs<QComboBox>(1060);
    m_homeGroup = ControlAs<QComboBox>(1063);
    m_groupOnly = ControlAs<QCheckBox>(1016);
    m_ringer = ControlAs<QComboBox>(1066);

    connect(m_pid, &QLineEdit::textChanged, this, &CPrivateView::OnIdEdited);
    WatchFocusLoss(m_pid, [this](QWidget* next) {
        if (next != m_read) CommitId();
    });
    WatchFocusLoss(m_read, [this](QWidget* next) {
        if (next != m_pid) CommitId();
    });
    connect(m_read, &QPushButton::clicked, this, &CPrivateView::OnReadPid);
    LimitPopup(m_channel);
    LimitPopup(m_homeGroup);
    LimitPopup(m_ringer);
    connect(m_channel, &QComboBox::currentIndexChanged, this, &CPrivateView::OnChannelChanged);
    connect(m_homeGroup, &QComboBox::currentIndexChanged, this, &CPrivateView::OnHomeGroupChanged);
    connect(m_groupOnly, &QCheckBox::clicked, this, &CPrivateView::OnGroupOnlyClicked);
    connect(m_ringer, &QComboBox::currentIndexChanged, this, &CPrivateView::OnRingerChanged);
}

void CPrivateView::LoadLabels() {
    const std::pair<int, int> labels[] = {{1064, 10052}, {1057, 10053}, {1058, 10054},
                                          {1056, 10095}, {1065, 10097}, {1067, 10098}};
    for (const auto& [control, text] : labels) Control(control)->setProperty("text", Text(text));
    m_read->setText(Text(10096));
    LoadContactLabels(1055, kAdd);
}

void CPrivateView::LoadData() {
    const QSignalBlocker channelBlocker(m_channel);
    const QSignalBlocker homeBlocker(m_homeGroup);
    const QSignalBlocker ringerBlocker(m_ringer);
    try {
        FindItem();
        const CDataItem limit = Root().GetChildByName("limit");
        m_pid->setMaxLength(
            std::max<int>(1, static_cast<int>(AttributeText(limit, "valid_PID_end").size())));

        m_channel->clear();
        const auto channels = AttributeNumber(limit, "max_num_of_channels");
        for (long long channel = 1; channel <= channels; ++channel)
            m_channel->addItem(FormatIdText(10104, {channel}));
        m_ringer->clear();
        for (long long ringer = 1; ringer <= kRingers; ++ringer)
            m_ringer->addItem(FormatIdText(10107, {ringer}));
        m_ringer->setCurrentIndex(static_cast<int>(AttributeNumber(m_item, "alert_tone")) - 1);

        m_nameEdit->setText(AttributeText(m_item, "name"));
        m_channelSelection = m_channel->findText(
            FormatIdText(10104, {static_cast<long long>(AttributeNumber(m_item, "channel"))}));
        if (m_channelSelection < 0) {
            ProfileDataError();
            return;
        }
        m_channel->setCurrentIndex(m_channelSelection);
        m_acceptedPid = AttributeText(m_item, "pid");
        PutIdText(m_acceptedPid, static_cast<int>(m_acceptedPid.size()));
        m_groupOnly->setChecked(AttributeFlag(m_item, "show_grp_only"));
        if (!FillHomeGroups()) ProfileDataError();
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

bool CPrivateView::FillHomeGroups() {
    const QSignalBlocker blocker(m_homeGroup);
    m_homeGroup->clear();
    m_homeGroup->addItem(Text(10136), QString());
    const CDataItem contacts = Root().GetChildByName("Contacts");
    const auto channel = AttributeNumber(m_item, "channel");
    std::vector<std::pair<QString, QString>> groups;  // name, pid
    for (const char* listName : {"PublicGroups", "PrivateGroups"}) {
        const CDataItem list = contacts.GetChildByName(listName);
        for (std::int32_t i = 0; i < list.GetChildCount(); ++i) {
            const CDataItem group = list.GetChildByIndex(i);
            if (AttributeNumber(group, "channel") != channel) continue;
            groups.emplace_back(AttributeText(group, "name"), AttributeText(group, "pid"));
        }
    }
    std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& [name, pid] : groups) m_homeGroup->addItem(name, pid);

    const QString home = AttributeText(m_item, "home_grp");
    m_homeSelection = -1;
    if (home.isEmpty()) {
        m_homeSelection = 0;
    } else {
        const QString name = GroupName(Root(), home);
        for (int i = 1; i < m_homeGroup->count() && !name.isEmpty(); ++i) {
            if (m_homeGroup->itemText(i) == name) {
                m_homeSelection = i;
                break;
            }
        }
    }
    if (m_homeSelection < 0) return false;
    m_homeGroup->setCurrentIndex(m_homeSelection);
    return true;
}

void CPrivateView::PutIdText(const QString& text, int caret) {
    const bool loaded = IsLoaded();
    SetLoaded(false);
    m_pid->setText(text);
    m_pid->setCursorPosition(std::clamp(caret, 0, static_cast<int>(text.size())));
    SetLoaded(loaded);
}

void CPrivateView::OnIdEdited() {
    if (!IsLoaded() || IsRetired()) return;
    MarkModified();
    try {
        // Only digits, without leading zeros; the caret keeps its place among what is left.
        const QString typed = m_pid->text();
        const int caret = m_pid->cursorPosition();
        QString digits;
        int newCaret = 0;
        for (int i = 0; i < typed.size(); ++i) {
            const QChar c = typed.at(i);
            const bool keep = c >= QLatin1Char('0') && c <= QLatin1Char('9') &&
                              !(c == QLatin1Char('0') && digits.isEmpty());
            if (!keep) continue;
            digits += c;
            if (i < caret) ++newCaret;
        }
        if (digits != typed) PutIdText(digits, newCaret);

        const CDataItem limit = Root().GetChildByName("limit");
        const std::string start = Std(AttributeText(limit, "valid_PID_start"));
        const std::string end = Std(AttributeText(limit, "valid_PID_end"));
        if (start != end && PidDifference(end, start).empty()) {
            ProfileDataError();
            return;
        }
        const std::string text = Std(digits);
        // An empty field is left to the commit check (10099); a value above the range's end
        // takes the keystroke back.
        if (!text.empty() && text != start && text != end && PidDifference(end, text).empty()) {
            PutIdText(m_acceptedPid, newCaret - 1);
            return;
        }
        m_acceptedPid = digits;
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

void CPrivateView::FocusIdField() {
    m_pid->setFocus(Qt::OtherFocusReason);
    m_pid->selectAll();
}

void CPrivateView::CommitId() {
    if (IsRetired()) return;
    try {
        const QString pid = m_pid->text().trimmed();
        if (pid.isEmpty()) {
            ShowMessageId(this, 10099, mb::kOk | mb::kIconWarning);
            m_pid->setFocus(Qt::OtherFocusReason);
            return;
        }
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        if (SetValue("pid", Std(pid), msgId, 0, style) != 0) {
            ShowRuleMessage(msgId, style);
            m_pid->setFocus(Qt::OtherFocusReason);
            return;
        }
        LoadLabels();
        RefreshTreeEntry();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

void CPrivateView::OnReadPid() {
    if (IsRetired()) return;
    if (const std::optional<QString> pid = Reader()(this)) m_pid->setText(*pid);
    FocusIdField();
}

void CPrivateView::OnChannelChanged(int selection) {
    if (selection < 0 || IsRetired()) return;
    MarkModified();
    try {
        const std::int32_t channel = selection + 1;
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        const std::int32_t result = SetValue("channel", channel, msgId, 0, style);
        if (result == 0) {
            m_channelSelection = selection;
            if (!FillHomeGroups()) ProfileDataError();
            return;
        }
        bool taken = false;
        const int answer = msgId != 0 ? ShowMessageId(this, msgId, style) : mb::kIdCancel;
        if (result != 1 && answer == mb::kIdOk) {
            msgId = style = 0;
            if (SetValue("channel", channel, msgId, 1, style) != 0) {
                ProfileDataError();
                return;
            }
            taken = true;
        }
        if (!taken) {
            const QSignalBlocker blocker(m_channel);
            m_channel->setCurrentIndex(m_channelSelection);
            return;
        }
        m_channelSelection = selection;
        if (!FillHomeGroups()) {
            ProfileDataError();
            return;
        }
        RefreshTreeEntry();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

void CPrivateView::OnHomeGroupChanged(int selection) {
    if (selection < 0 || IsRetired()) return;
    MarkModified();
    try {
        const QString pid =
            selection == 0 ? QString() : m_homeGroup->itemData(selection).toString();
        if (selection != 0 && GroupName(Root(), pid) != m_homeGroup->itemText(selection)) {
            ProfileDataError();
            return;
        }
        SetFromChoice(m_homeGroup, m_homeSelection, selection, "home_grp", Std(pid));
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

void CPrivateView::OnGroupOnlyClicked() {
    if (IsRetired()) return;
    try {
        const bool value = !AttributeFlag(m_item, "show_grp_only");
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        if (SetValue("show_grp_only", value, msgId, 0, style) != 0) ProfileDataError();
        m_groupOnly->setChecked(AttributeFlag(m_item, "show_grp_only"));
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

void CPrivateView::OnRingerChanged(int selection) {
    if (selection < 0 || IsRetired()) return;
    try {
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        if (SetValue("alert_tone", selection + 1, msgId, 0, style) != 0) ProfileDataError();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

int CPrivateView::ValidateData() {
    const auto idWrong = [this] {
        const QString pid = m_pid->text().trimmed();
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        if (pid.isEmpty() || SetValue("pid", Std(pid), msgId, 0, style) != 0) return Text(10163);
        LoadLabels();
        RefreshTreeEntry();
        return QString();
    };
    return ValidateContact(idWrong, [this] { FocusIdField(); });
}

}  // namespace vex::gui

#include "editors/settings_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimeZone>
#include <algorithm>
#include <array>
#include <ctime>

#include "app/gui_support.h"
#include "app/vexprg_doc.h"
#include "common/exception.h"
#include "editors/contact_table.h"
#include "editors/item_values.h"
#include "editors/list_filter.h"
#include "model/radio_clock.h"
#include "ui_settings_view.h"

namespace vex::gui {

namespace {

constexpr std::array<std::int32_t, 6> kBacklight = {90000, 30000, 20000, 10000, 5000, 0};
constexpr int kMaxContrast = 6;

// How a combo's item maps to its attribute's value.
enum class Mapping { Contrast, Backlight, Index, IndexPlusOne, ItemData };

struct Combo {
    int controlId;
    const char* attribute;
    Mapping mapping;
};

constexpr std::array<Combo, 10> kCombos = {{{1023, "contrast", Mapping::Contrast},
                                            {1024, "backlight", Mapping::Backlight},
                                            {1025, "time_format", Mapping::Index},
                                            {1032, "date_format", Mapping::Index},
                                            {1035, "ringer_vol_level", Mapping::Index},
                                            {1036, "speaker_vol_level", Mapping::IndexPlusOne},
                                            {1041, "keypad_vol_level", Mapping::Index},
                                            {1040, "alarm_vol_level", Mapping::IndexPlusOne},
                                            {1065, "earpiece_vol_level", Mapping::IndexPlusOne},
                                            {1043, "language", Mapping::ItemData}}};

struct Check {
    int controlId;
    const char* attribute;
};
constexpr std::array<Check, 2> kChecks = {{{1011, "vibracall"}, {1071, "alarm_en"}}};

// Label controls and their strings.
constexpr std::array<std::pair<int, int>, 26> kLabels = {{
    {2000, 10061}, {2001, 10065}, {1011, 10062}, {2011, 10063}, {2012, 10064}, {2002, 10066},
    {2013, 10067}, {2015, 10068}, {2014, 10069}, {2016, 10070}, {1070, 10071}, {1071, 10072},
    {2017, 10073}, {2003, 10074}, {2018, 10075}, {2019, 10076}, {2020, 10077}, {2021, 10078},
    {2022, 10079}, {2004, 10080}, {2023, 10086}, {2024, 10081}, {2026, 10081}, {2025, 10082},
    {2027, 10083}, {1099, 174},
}};

// The two pairs of private lists: left, right, Add, Remove, filter box, the private's switch and
// the limit's feature switch.
struct Pair {
    int left;
    int right;
    int add;
    int remove;
    int filter;
    const char* attribute;
    const char* feature;
};
constexpr Pair kManager = {1003, 1004, 1015, 1016, 1101, "mngr_mode", "mngr_mode_en"};
constexpr Pair kSeeAll = {1005, 1006, 1044, 1048, 1102, "see_all_groups", "see_all_groups_en"};

const Combo* FindCombo(int controlId) {
    for (const Combo& combo : kCombos) {
        if (combo.controlId == controlId) return &combo;
    }
    return nullptr;
}

bool Agreed(int answer) {
    return answer == mb::kIdOk || answer == mb::kIdYes;
}

}  // namespace

const std::vector<CSettingsView::Language>& CSettingsView::Languages() {
    static const std::vector<Language> languages = {{0, 205}, {1, 206}, {4, 207},
                                                    {5, 208}, {7, 209}, {9, 210}};
    return languages;
}

std::uint32_t CSettingsView::ClockCount(const QDateTime& when) {
    std::tm broken{};
    broken.tm_year = when.date().year() - 1900;
    broken.tm_mon = when.date().month() - 1;
    broken.tm_mday = when.date().day();
    broken.tm_hour = when.time().hour();
    broken.tm_min = when.time().minute();
    broken.tm_sec = when.time().second();
    return RadioClockSeconds(broken);
}

QDateTime CSettingsView::ClockDateTime(std::uint32_t count) {
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(count, QTimeZone::utc());
    return QDateTime(utc.date(), utc.time());
}

QString CSettingsView::TimeFormat(bool hours24) {
    return hours24 ? QStringLiteral("HH:mm") : QStringLiteral("hh:mm AP");
}

QString CSettingsView::DateFormat(bool dayFirst) {
    return dayFirst ? QStringLiteral("dd/MM/yy") : QStringLiteral("MM/dd/yy");
}

CSettingsView::CSettingsView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CBaseView(document, kind, index, parent) {
    Ui::SettingsView ui;
    ui.setupUi(Form());
    SetLayoutTable({{2000, LayoutKind::Title},
                    {2001, LayoutKind::Section},
                    {2002, LayoutKind::Section},
                    {2003, LayoutKind::Section},
                    {2004, LayoutKind::Section}});
    m_time = ControlAs<QDateTimeEdit>(1078);
    m_date = ControlAs<QDateTimeEdit>(1080);
    m_alarm = ControlAs<QDateTimeEdit>(1081);
    const QDateTime first(QDate(2000, 1, 1), QTime(0, 0, 0));
    const QDateTime last(QDate(2099, 12, 31), QTime(23, 59, 59));
    for (QDateTimeEdit* picker : {m_time, m_date, m_alarm}) picker->setDateTimeRange(first, last);
    m_date->setCalendarPopup(true);
    connect(m_time, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (!m_bLoading) m_bClockEdited = true;
    });
    connect(m_date, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (!m_bLoading) m_bClockEdited = true;
    });
    connect(m_alarm, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (!m_bLoading) m_bAlarmEdited = true;
    });

    auto* contrast = ControlAs<QComboBox>(1023);
    for (int level = kMaxContrast; level >= 0; --level) contrast->addItem(QString::number(level));
    auto* backlight = ControlAs<QComboBox>(1024);
    for (std::int32_t ms : kBacklight) {
        backlight->addItem(ms == 0 ? tr("Off") : tr("%1 seconds").arg(ms / 1000));
    }
    ControlAs<QComboBox>(1025)->addItems({QStringLiteral("12hr"), QStringLiteral("24hr")});
    ControlAs<QComboBox>(1032)->addItems({QStringLiteral("MM/DD"), QStringLiteral("DD/MM")});
    for (const Combo& combo : kCombos) {
        auto* box = ControlAs<QComboBox>(combo.controlId);
        connect(box, &QComboBox::activated, this, [this, id = combo.controlId] { OnCombo(id); });
    }
    for (const Check& check : kChecks) {
        connect(ControlAs<QCheckBox>(check.controlId), &QCheckBox::clicked, this,
                [this, id = check.controlId](bool ticked) { OnCheck(id, ticked); });
    }
    connect(ControlAs<QCheckBox>(1070), &QCheckBox::clicked, this, [this](bool ticked) {
        Document()->Profile().SetUsePCClock(ticked);
        UpdateClockEnabling();
    });

    for (const Pair& pair : {kManager, kSeeAll}) {
        auto* left = ControlAs<QTableWidget>(pair.left);
        auto* right = ControlAs<QTableWidget>(pair.right);
        SetUpContactTable(left);
        SetUpContactTable(right);
        WireMovePair(left, ControlAs<QPushButton>(pair.add), right,
                     ControlAs<QPushButton>(pair.remove));
        auto* filter = ControlAs<QLineEdit>(pair.filter);
        InstallRowFilter(filter, left, {contact_column::kName, contact_column::kPid});
        InstallRowFilter(filter, right, {contact_column::kName, contact_column::kPid});
    }
    connect(ControlAs<QPushButton>(kManager.add), &QPushButton::clicked, this,
            &CSettingsView::OnManagerAdd);
    connect(ControlAs<QPushButton>(kManager.remove), &QPushButton::clicked, this,
            &CSettingsView::OnManagerRemove);
    connect(ControlAs<QPushButton>(kSeeAll.add), &QPushButton::clicked, this,
            &CSettingsView::OnSeeAllAdd);
    connect(ControlAs<QPushButton>(kSeeAll.remove), &QPushButton::clicked, this,
            &CSettingsView::OnSeeAllRemove);
}

void CSettingsView::LoadLabels() {
    for (const auto& [controlId, stringId] : kLabels) {
        if (QWidget* control = Control(controlId)) control->setProperty("text", Text(stringId));
    }
    ControlAs<QPushButton>(kManager.add)->setText(Text(10084));
    ControlAs<QPushButton>(kSeeAll.add)->setText(Text(10084));
    ControlAs<QPushButton>(kManager.remove)->setText(Text(10085));
    ControlAs<QPushButton>(kSeeAll.remove)->setText(Text(10085));
}

void CSettingsView::FocusFirstField() {
    Control(1023)->setFocus(Qt::OtherFocusReason);
}

void CSettingsView::LoadData() {
    try {
        LoadValues();
        LoadPrivates();
    } catch (CVEXPRGException& error) {
        m_bLoading = false;
        error.AddContext("CSettingsView::LoadData", __LINE__, Std(Text(20005)));
        throw;
    }
}

void CSettingsView::LoadValues() {
    m_bLoading = true;
    const CDataItem& root = Root();
    const CDataItem limit = root.GetChildByName("limit");
    const CDataItem setting = root.GetChildByName("setting");

    auto* vibracall = ControlAs<QCheckBox>(1011);
    vibracall->setChecked(AttributeFlag(setting, "vibracall"));
    vibracall->setEnabled(AttributeNumber(limit, "vibracall_dis") == 0);

    // Volume levels 0..max_vol_level (ringer, keypad) or 1..max_vol_level.
    m_maxVolume =
        static_cast<int>(std::clamp<std::int64_t>(AttributeNumber(limit, "max_vol_level"), 0, 255));
    auto* language = ControlAs<QComboBox>(1043);
    language->clear();
    const CDataItem languages = limit.GetChildByName("languages");
    const std::int64_t offered = AttributeNumber(limit, "num_of_languages");
    for (std::int32_t i = 0; i < languages.GetChildCount() && language->count() < offered; ++i) {
        const std::int64_t id = AttributeNumber(languages.GetChildByIndex(i), "language_id");
        for (const Language& known : Languages()) {
            if (known.id == id) language->addItem(Text(known.stringId), known.id);
        }
    }

    for (const Combo& combo : kCombos) {
        auto* box = ControlAs<QComboBox>(combo.controlId);
        const std::int64_t value = AttributeNumber(setting, combo.attribute);
        int index = -1;
        switch (combo.mapping) {
            case Mapping::Contrast:
                index = value >= 0 && value <= kMaxContrast ? kMaxContrast - static_cast<int>(value)
                                                            : -1;
                break;
            case Mapping::Backlight: {
                const auto* found = std::find(kBacklight.begin(), kBacklight.end(), value);
                index =
                    found != kBacklight.end() ? static_cast<int>(found - kBacklight.begin()) : -1;
                break;
            }
            case Mapping::Index:
            case Mapping::IndexPlusOne: {
                if (combo.attribute == std::string_view("time_format") ||
                    combo.attribute == std::string_view("date_format")) {
                    index = value == 0 || value == 1 ? static_cast<int>(value) : -1;
                    break;
                }
                const int low = combo.mapping == Mapping::Index ? 0 : 1;
                box->clear();
                for (int level = low; level <= m_maxVolume; ++level)
                    box->addItem(QString::number(level));
                index = value >= low && value <= m_maxVolume ? static_cast<int>(value) - low : -1;
                break;
            }
            case Mapping::ItemData:
                index = box->findData(static_cast<int>(value));
                break;
        }
        box->setCurrentIndex(index);
    }

    ApplyPickerFormats();
    const auto now = QDateTime(QDate::currentDate(), QTime(0, 0));
    const auto clock = static_cast<std::uint32_t>(AttributeNumber(setting, "current_time"));
    const QDateTime shown = clock != 0 ? ClockDateTime(clock) : now;
    m_time->setDateTime(shown);
    m_date->setDateTime(shown);
    ControlAs<QCheckBox>(1070)->setChecked(Document()->Profile().UsePCClock());

    const bool alarm = AttributeFlag(setting, "alarm_en");
    ControlAs<QCheckBox>(1071)->setChecked(alarm);
    const auto alarmTime = static_cast<std::uint32_t>(AttributeNumber(setting, "alarm_time"));
    m_alarm->setDateTime(alarmTime != 0 ? ClockDateTime(alarmTime) : now);
    UpdateClockEnabling();
    m_bClockEdited = false;
    m_bAlarmEdited = false;
    m_bLoading = false;
}

void CSettingsView::LoadPrivates() {
    const CDataItem& root = Root();
    const CDataItem limit = root.GetChildByName("limit");
    const QString ownPid = AttributeText(limit, "pid");
    const CDataItem privates = root.GetChildByName("Contacts").GetChildByName("Privates");
    for (const Pair& pair : {kManager, kSeeAll}) {
        auto* left = ControlAs<QTableWidget>(pair.left);
        auto* right = ControlAs<QTableWidget>(pair.right);
        left->setRowCount(0);
        right->setRowCount(0);
        const bool feature = AttributeNumber(limit, pair.feature) != 0;
        for (QWidget* control : {Control(pair.left), Control(pair.right), Control(pair.filter)}) {
            control->setEnabled(feature);
        }
        Control(pair.add)->setEnabled(false);
        Control(pair.remove)->setEnabled(false);
        if (!feature) continue;
        for (std::int32_t i = 0; i < privates.GetChildCount(); ++i) {
            const CDataItem contact = privates.GetChildByIndex(i);
            const QString pid = AttributeText(contact, "pid");
            AddContactRow(AttributeNumber(contact, pair.attribute) != 0 ? right : left,
                          contact_kind::kPrivate, i, AttributeText(contact, "name"), pid,
                          pid == ownPid);
        }
        SortContactTable(left);
        SortContactTable(right);
        ReapplyRowFilter(ControlAs<QLineEdit>(pair.filter));
    }
}

void CSettingsView::ApplyPickerFormats() {
    const bool hours24 = ControlAs<QComboBox>(1025)->currentIndex() == 1;
    const bool dayFirst = ControlAs<QComboBox>(1032)->currentIndex() == 1;
    m_time->setDisplayFormat(TimeFormat(hours24));
    m_alarm->setDisplayFormat(TimeFormat(hours24));
    m_date->setDisplayFormat(DateFormat(dayFirst));
}

void CSettingsView::UpdateClockEnabling() {
    const bool pcClock = ControlAs<QCheckBox>(1070)->isChecked();
    m_time->setEnabled(!pcClock);
    m_date->setEnabled(!pcClock);
    m_alarm->setEnabled(ControlAs<QCheckBox>(1071)->isChecked());
}

std::int32_t CSettingsView::ComboValue(int controlId) const {
    const Combo* combo = FindCombo(controlId);
    const auto* box = ControlAs<QComboBox>(controlId);
    const int index = box->currentIndex();
    switch (combo->mapping) {
        case Mapping::Contrast:
            return kMaxContrast - index;
        case Mapping::Backlight:
            return kBacklight.at(static_cast<std::size_t>(index));
        case Mapping::Index:
            return index;
        case Mapping::IndexPlusOne:
            return index + 1;
        case Mapping::ItemData:
            return box->currentData().toInt();
    }
    return index;
}

bool CSettingsView::SetSetting(const char* attribute, std::int32_t value) {
    bool taken = false;
    try {
        CDataItem setting = Root().GetChildByName("setting");
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        const QString label = tr("Change %1").arg(QString::fromLatin1(attribute));
        std::int32_t result = Document()->Change(
            label, [&] { return setting.SetAttributeValue(attribute, value, msgId, 0, style); });
        if (result == 1) {
            ShowMessageId(this, msgId, style);
        } else if (result != 0) {
            const int answer = ShowMessageId(this, msgId, style);
            if (Agreed(answer)) {
                msgId = 0;
                result = Document()->Change(label, [&] {
                    return setting.SetAttributeValue(attribute, value, msgId, answer, style);
                });
                if (result != 0 && msgId != 0) ShowMessageId(this, msgId, style);
            }
        } else if (msgId != 0) {
            ShowMessageId(this, msgId, style);
        }
        taken = result == 0;
        if (taken) MarkModified();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
    if (!taken && !IsRetired()) {
        try {
            LoadValues();
        } catch (const CVEXPRGException& error) {
            m_bLoading = false;
            ShowException(this, error);
        }
    }
    return taken;
}

void CSettingsView::OnCombo(int controlId) {
    const Combo* combo = FindCombo(controlId);
    if (combo == nullptr || ControlAs<QComboBox>(controlId)->currentIndex() < 0) return;
    if (controlId == 1025 || controlId == 1032) ApplyPickerFormats();
    // Keep the pickers' edits over a reload after a refusal.
    const bool clockEdited = m_bClockEdited;
    const bool alarmEdited = m_bAlarmEdited;
    const QDateTime time = m_time->dateTime();
    const QDateTime date = m_date->dateTime();
    const QDateTime alarm = m_alarm->dateTime();
    if (!SetSetting(combo->attribute, ComboValue(controlId)) && !IsRetired()) {
        m_bLoading = true;
        if (clockEdited) {
            m_time->setDateTime(time);
            m_date->setDateTime(date);
        }
        if (alarmEdited) m_alarm->setDateTime(alarm);
        m_bLoading = false;
        m_bClockEdited = clockEdited;
        m_bAlarmEdited = alarmEdited;
    }
}

void CSettingsView::OnCheck(int controlId, bool ticked) {
    for (const Check& check : kChecks) {
        if (check.controlId != controlId) continue;
        if (SetSetting(check.attribute, ticked ? 1 : 0)) UpdateClockEnabling();
    }
}

QDateTime CSettingsView::ClockValue() const {
    return QDateTime(m_date->date(), m_time->time());
}

int CSettingsView::ValidateData() {
    if (Flags().suppressValidation || IsRetired()) return 1;
    struct Commit {
        bool edited;
        const char* attribute;
        QDateTime value;
    };
    const Commit commits[] = {{m_bClockEdited, "current_time", ClockValue()},
                              {m_bAlarmEdited, "alarm_time", m_alarm->dateTime()}};
    for (const Commit& commit : commits) {
        if (!commit.edited) continue;
        try {
            CDataItem setting = Root().GetChildByName("setting");
            std::int32_t msgId = 0;
            std::int32_t style = 0;
            const std::uint32_t count = ClockCount(commit.value);
            const std::int32_t result =
                Document()->Change(tr("Change %1").arg(QString::fromLatin1(commit.attribute)), [&] {
                    return setting.SetAttributeValue(commit.attribute, AttributeValue{count}, msgId,
                                                     0, style);
                });
            if (msgId != 0) ShowMessageId(this, msgId, style);
            if (result != 0) return 0;
            MarkModified();
        } catch (const CVEXPRGException& error) {
            ShowException(this, error);
            return 0;
        }
    }
    m_bClockEdited = false;
    m_bAlarmEdited = false;
    return 1;
}

std::vector<int> CSettingsView::MovePrivates(QTableWidget* from, QTableWidget* to,
                                             const char* attribute, int value) {
    std::vector<int> moved;
    const QString ownPid = AttributeText(Root().GetChildByName("limit"), "pid");
    try {
        const CDataItem privates = Root().GetChildByName("Contacts").GetChildByName("Privates");
        for (;;) {
            const std::vector<int> rows = SelectedRows(from);
            if (rows.empty()) break;
            const int row = rows.front();
            from->selectionModel()->select(
                from->model()->index(row, 0),
                QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
            const ContactRow contact = RowContact(from, row);
            CDataItem item = privates.GetChildByIndex(contact.globalIndex);
            const QString name = from->item(row, contact_column::kName)->text();
            const QString pid = from->item(row, contact_column::kPid)->text();
            std::int32_t msgId = 0;
            std::int32_t style = 0;
            const std::int32_t result = Document()->Change(
                tr("Change %1 of %2").arg(QString::fromLatin1(attribute), name), [&] {
                    return item.SetAttributeValue(attribute, std::int32_t{value}, msgId, 0, style);
                });
            if (msgId != 0) ShowMessageId(this, msgId, style);
            if (result != 0) continue;
            from->removeRow(row);
            AddContactRow(to, contact_kind::kPrivate, contact.globalIndex, name, pid,
                          pid == ownPid);
            moved.push_back(contact.globalIndex);
            MarkModified();
        }
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
    SortContactTable(to);
    return moved;
}

void CSettingsView::OnManagerAdd() {
    const std::vector<int> moved =
        MovePrivates(ControlAs<QTableWidget>(kManager.left),
                     ControlAs<QTableWidget>(kManager.right), kManager.attribute, 1);
    ReapplyRowFilter(ControlAs<QLineEdit>(kManager.filter));
    Control(kManager.add)->setEnabled(false);
    // A private in manager mode also sees all groups.
    auto* seeAll = ControlAs<QTableWidget>(kSeeAll.left);
    if (moved.empty() || !seeAll->isEnabled()) return;
    seeAll->clearSelection();
    for (int globalIndex : moved) {
        const int row = FindContactRow(seeAll, contact_kind::kPrivate, globalIndex);
        if (row >= 0) {
            seeAll->selectionModel()->select(
                seeAll->model()->index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    OnSeeAllAdd();
}

void CSettingsView::OnManagerRemove() {
    MovePrivates(ControlAs<QTableWidget>(kManager.right), ControlAs<QTableWidget>(kManager.left),
                 kManager.attribute, 0);
    ReapplyRowFilter(ControlAs<QLineEdit>(kManager.filter));
    Control(kManager.remove)->setEnabled(false);
}

void CSettingsView::OnSeeAllAdd() {
    MovePrivates(ControlAs<QTableWidget>(kSeeAll.left), ControlAs<QTableWidget>(kSeeAll.right),
                 kSeeAll.attribute, 1);
    ReapplyRowFilter(ControlAs<QLineEdit>(kSeeAll.filter));
    Control(kSeeAll.add)->setEnabled(false);
}

void CSettingsView::OnSeeAllRemove() {
    MovePrivates(ControlAs<QTableWidget>(kSeeAll.right), ControlAs<QTableWidget>(kSeeAll.left),
                 kSeeAll.attribute, 0);
    ReapplyRowFilter(ControlAs<QLineEdit>(kSeeAll.filter));
    Control(kSeeAll.remove)->setEnabled(false);
}

}  // namespace vex::gui

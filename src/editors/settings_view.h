#pragma once

// CSettingsView: the radio-wide settings of a profile (display, clock and alarm, volume levels,
// language) and the two per-private switches "Manager Mode on for" and "See All Groups on for".
//
// Every combo box and check box sets its attribute of the setting element through the rules as
// soon as it changes (a refusal shows its message and puts the stored value back; a question is
// asked and its answer passed on). The clock and alarm pickers are stored when the page is left
// (ValidateData), as the radio's 32-bit clock count.

#include <QDateTime>
#include <cstdint>
#include <vector>

#include "editors/base_view.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vex::gui {

class CSettingsView : public CBaseView {
    Q_OBJECT

  public:
    CSettingsView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    int ValidateData() override;
    void FocusFirstField() override;
    void LoadLabels() override;
    void LoadData() override;

    // The radio's clock count of a date and time, and back (the count's calendar agrees with the
    // civil one over the pickers' range, 2000 to 2099).
    static std::uint32_t ClockCount(const QDateTime& when);
    static QDateTime ClockDateTime(std::uint32_t count);
    // The picker display formats for time_format / date_format.
    static QString TimeFormat(bool hours24);
    static QString DateFormat(bool dayFirst);

    // The language ids and names the page knows, in the order of the string table.
    struct Language {
        int id;
        int stringId;
    };
    static const std::vector<Language>& Languages();

    // The Add/Remove buttons of the two pairs of private lists.
    void OnManagerAdd();
    void OnManagerRemove();
    void OnSeeAllAdd();
    void OnSeeAllRemove();

  private:
    struct ComboBinding {
        int controlId;
        const char* attribute;
    };

    void LoadValues();
    void LoadPrivates();
    void ApplyPickerFormats();
    void UpdateClockEnabling();
    // Sets a setting attribute through the rules, asking the rules' question; true when taken.
    // A value that is not taken puts the stored values back on the page.
    bool SetSetting(const char* attribute, std::int32_t value);
    void OnCombo(int controlId);
    void OnCheck(int controlId, bool ticked);
    // Moves the selected privates of `from` to `to` by setting `attribute` to `value`; returns the
    // global indexes of the privates moved.
    std::vector<int> MovePrivates(QTableWidget* from, QTableWidget* to, const char* attribute,
                                  int value);
    std::int32_t ComboValue(int controlId) const;
    QDateTime ClockValue() const;

    QDateTimeEdit* m_time = nullptr;
    QDateTimeEdit* m_date = nullptr;
    QDateTimeEdit* m_alarm = nullptr;
    bool m_bClockEdited = false;
    bool m_bAlarmEdited = false;
    bool m_bLoading = false;
    int m_maxVolume = 0;
};

}  // namespace vex::gui

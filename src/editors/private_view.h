#pragma once

// CPrivateView: the page of one private contact: name, channel, private ID (typed, or read from
// the user's radio over the air), home group, group-only switch and ringer. The ID field keeps
// its text a valid number while it is typed; the rules decide the rest when a value is set.

#include <QString>
#include <functional>
#include <optional>

#include "editors/contact_page.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace vex::gui {

class CPrivateView : public CContactItemView {
    Q_OBJECT

  public:
    // Reads the private ID that another radio sends; nothing when cancelled or failed.
    using PidReader = std::function<std::optional<QString>(QWidget* parent)>;
    // The reader behind "Read Private ID from Radio" (tests script it); an empty one puts the
    // read-PID dialog back.
    static void SetPidReader(PidReader reader);

    CPrivateView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;
    int ValidateData() override;

    // Handlers, as the controls call them.
    void OnIdEdited();
    void CommitId();
    void OnReadPid();
    void OnChannelChanged(int selection);
    void OnHomeGroupChanged(int selection);
    void OnGroupOnlyClicked();
    void OnRingerChanged(int selection);

    // Focuses the ID field and selects its text.
    void FocusIdField();

  private:
    // "None", then the groups of the private's channel by name without regard to case; the
    // private's home group selected. False when the home group has no entry.
    bool FillHomeGroups();
    // The ID field's text set by the page itself (no typing checks run).
    void PutIdText(const QString& text, int caret);

    QLineEdit* m_pid;
    QPushButton* m_read;
    QComboBox* m_channel;
    QComboBox* m_homeGroup;
    QCheckBox* m_groupOnly;
    QComboBox* m_ringer;
    int m_channelSelection = -1;
    int m_homeSelection = -1;
    QString m_acceptedPid;
};

}  // namespace vex::gui

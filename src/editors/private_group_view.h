#pragma once

// CPrivateGroupView: the page of one private group: name, channel, ID (the group's own, or the
// ID of a private that leaves its ID free for groups) and its members. Membership is kept on the
// privates (ParentPrivateGroups); the page moves the privates of the group's channel between
// "All Privates" and "Group Members". A private already in 5 groups is drawn grey, cannot stay
// selected and tells why when the mouse rests on it.

#include "editors/contact_page.h"

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace vex::gui {

class CPrivateGroupView : public CContactItemView {
    Q_OBJECT

  public:
    // The most private groups a private can belong to.
    static constexpr int kMaxGroups = 5;

    CPrivateGroupView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;
    int ValidateData() override;

    // Handlers, as the controls call them.
    void OnAddMembers();
    void OnRemoveMembers();
    void OnChannelChanged(int selection);
    void OnIdChanged(int selection);
    void OnAllSelectionChanged();

    QListWidget* AllPrivates() const noexcept { return m_all; }
    QListWidget* Members() const noexcept { return m_members; }
    // What the page last put in the status bar.
    QString StatusText() const { return m_status; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Both lists from the profile; false when a private's groups cannot be counted.
    bool FillLists();
    // A private's entry: its name, with the groups-left ending in "All Privates".
    QListWidgetItem* MakeEntry(std::int32_t privateIndex, bool member, int groupsLeft);
    // Groups a private may still join; -1 when its group list is missing or too long.
    static int GroupsLeft(const CDataItem& contact);
    void ShowStatus(const QString& text);
    void FocusAllPrivates();

    QComboBox* m_channel;
    QComboBox* m_id;
    QListWidget* m_all;
    QListWidget* m_members;
    QPushButton* m_add;
    QPushButton* m_remove;
    int m_channelSelection = -1;
    int m_idSelection = -1;
    QString m_ownPid;
    QString m_status;
    bool m_bDeselecting = false;
};

}  // namespace vex::gui

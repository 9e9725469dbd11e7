#pragma once

// The pages of the Lists node: the read-only overview (CListsView), the scroll list
// (CScrollListView), the scan mode switch (CScanListView) and the scan list of one channel
// (CScanChannelView).
//
// Membership is kept on the contacts: in_scroll_list on any contact, in_scan_list on a public
// group (for its own channel); scan mode is scan_en of the setting element. Each move of a contact
// goes through the rules as one undo step and tells the tree to update its counts.

#include "editors/base_view.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vex::gui {

class CListsView : public CBaseView {
    Q_OBJECT

  public:
    CListsView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;

    // How many public groups a channel's scan list holds at most.
    static constexpr int kScanListSize = 10;
};

// The two lists of a membership page and their buttons: contacts out of the list on the left,
// members on the right.
class CMembershipView : public CBaseView {
    Q_OBJECT

  public:
    using CBaseView::CBaseView;

    QTableWidget* Available() const { return m_available; }
    QTableWidget* Members() const { return m_members; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* RemoveButton() const { return m_remove; }
    QLineEdit* FilterBox() const { return m_filter; }

    void OnAdd();
    void OnRemove();

  protected:
    // The form's controls: the two tables, the buttons and the filter box above both tables.
    void SetUpLists(int availableId, int membersId, int addId, int removeId, int filterId);
    // Empties both tables and fills them from the profile.
    void FillLists();

    // The attribute that says membership, the tree node kind for hints, and what to list.
    virtual const char* MemberAttribute() const = 0;
    virtual bool Lists(const CDataItem& contact, int kind) const = 0;
    // Add's check before the first and before each further contact; false stops (after its
    // message).
    virtual bool MayAddMore(bool /*first*/) { return true; }
    CDataItem ContactItem(int kind, int globalIndex) const;

  private:
    // Moves the selected rows of `from` to `to` by setting the membership attribute to `value`.
    void Move(QTableWidget* from, QTableWidget* to, int value);

    QTableWidget* m_available = nullptr;
    QTableWidget* m_members = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QLineEdit* m_filter = nullptr;
};

class CScrollListView : public CMembershipView {
    Q_OBJECT

  public:
    CScrollListView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;

  protected:
    const char* MemberAttribute() const override { return "in_scroll_list"; }
    bool Lists(const CDataItem&, int) const override { return true; }
};

class CScanChannelView : public CMembershipView {
    Q_OBJECT

  public:
    CScanChannelView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    // The channel of the page: the tree node's index + 1.
    int Channel() const { return NodeIndex() + 1; }

    void LoadLabels() override;
    void LoadData() override;

  protected:
    const char* MemberAttribute() const override { return "in_scan_list"; }
    bool Lists(const CDataItem& contact, int kind) const override;
    bool MayAddMore(bool first) override;
};

class CScanListView : public CBaseView {
    Q_OBJECT

  public:
    CScanListView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;

    void OnScanMode(bool ticked);
};

}  // namespace vex::gui

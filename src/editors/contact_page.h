#pragma once

// What the pages of one contact (a public group, a private, a private group) share: the contact's
// data item, the name field that commits when it loses the focus inside the page, the hidden Add
// button of the contact's list, the changes through the document (one undo step each), the
// display of the rule script's answers, and the commit check that offers to delete a contact
// whose fields are wrong.

#include <QString>
#include <cstdint>
#include <functional>
#include <string_view>

#include "editors/base_view.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vex::gui {

// The text of string `id` with each "%d" replaced by the next of `numbers` (missing ones by 0).
QString FormatIdText(int id, std::initializer_list<long long> numbers);

// Makes a combo box's list drop down below it with a scroll bar after 16 rows, instead of a
// popup as tall as its items.
void LimitPopup(QComboBox* combo);

// The rows of the "Add ..." label and button of a contact list.
struct AddControls {
    int labelId;
    int buttonId;
    int textId;
};

// Wires an Add button: icon, label text, enabled by CanAddChild of `list`; a click sends the tree
// the hint (add, listKind).
void SetUpAddButton(CBaseView* page, const AddControls& add, int listKind);
void UpdateAddButton(CBaseView* page, const AddControls& add, const CDataItem& list);

class CContactItemView : public CBaseView {
    Q_OBJECT

  public:
    // The page of entry `index` of the contact list `listName` ("PublicGroups", ...) whose list
    // node kind is `listKind`; the page's own node kind is `kind`.
    CContactItemView(CVEXPRGDoc* document, int kind, int index, const char* listName, int listKind,
                     QWidget* parent);

    const CDataItem& Item() const noexcept { return m_item; }

    // The name field has lost the focus to another control of the page: an empty name is
    // refused with 10055, else the rules set it (their refusal shown, the focus back in the
    // field); a taken name retitles the page and relabels the tree.
    void CommitName();

    void FocusFirstField() override;

  protected:
    // The contacts list (Contacts/<listName>).
    CDataItem ContactList() const;
    // Finds the page's contact; raises CVEXPRGException when the profile lacks it.
    void FindItem();

    // After the form is set up: the title control `titleId` laid out as a title, the Add controls
    // wired and hidden, and `nameId` made the name field.
    void SetUpContactPage(int titleId, const AddControls& add, int nameId);
    // Title from the name, the hidden Add controls.
    void LoadContactLabels(int titleId, const AddControls& add);
    void SetUpNameField(QLineEdit* edit);
    QWidget* NameField() const override;

    // SetAttributeValue of the contact as one undoable change.
    std::int32_t SetValue(std::string_view attribute, const AttributeValue& value,
                          std::int32_t& msgId, std::int32_t answer, std::int32_t& style);
    // The same, and the returned message shown as the rules return it: a refusal or a notice
    // with its style, a question with its style and, after OK, the confirmed call. True when the
    // value was taken. `format` gives the numbers a message's "%d" stand for.
    bool SetValueAsking(std::string_view attribute, const AttributeValue& value,
                        std::initializer_list<long long> format = {});
    void ShowRuleMessage(std::int32_t msgId, std::int32_t style,
                         std::initializer_list<long long> format = {});
    // A choice of `combo` sets `attribute` to `value`: taken, `held` becomes `selection`; refused,
    // the combo goes back to `held`. The rules' message is shown either way. True when taken.
    bool SetFromChoice(QComboBox* combo, int& held, int selection, std::string_view attribute,
                       const AttributeValue& value);

    // Calls `handler(next)` when `field` has lost the focus to `next`, a control of this page,
    // while the page is loaded, not retired and validation is not suppressed. The call comes once
    // the focus change is over.
    void WatchFocusLoss(QWidget* field, std::function<void(QWidget* next)> handler);

    // For ValidateData: the trimmed name, taken by the rules? Taken: the title and the tree
    // follow it.
    bool NameAccepted();
    // ValidateData of a contact page: the name, then `otherFields` (the 10161 lines of the page's
    // other wrong fields, run after the name was tried). All right: 1. Otherwise OK deletes the
    // contact through the tree and gives -1; Cancel gives 0 and puts the focus back into the name,
    // or with a right name runs `focusOther` once the question is over.
    int ValidateContact(const std::function<QString()>& otherFields,
                        const std::function<void()>& focusOther);

    // A name or value was accepted: relabel the tree.
    void RefreshTreeEntry();

    // The tree renamed this contact: title and name field follow.
    virtual void OnTreeRefresh();

    CDataItem m_item;
    QLineEdit* m_nameEdit = nullptr;

  private:
    const char* m_listName;
    int m_listKind;
};

// The page of a contact list node (public groups, privates, private groups): the Add button and a
// table of the list's contacts, narrowed by a filter box and sorted by a click on a column's
// header.
class CContactListView : public CBaseView {
    Q_OBJECT

  public:
    CContactListView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;

  private:
    CDataItem ContactList() const;
    int m_titleId = 0;
    int m_titleTextId = 0;
    AddControls m_add{};
};

class CPublicGroupsView : public CContactListView {
  public:
    CPublicGroupsView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr)
        : CContactListView(document, kind, index, parent) {}
};

class CPrivatesView : public CContactListView {
  public:
    CPrivatesView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr)
        : CContactListView(document, kind, index, parent) {}
};

class CPrivateGroupsView : public CContactListView {
  public:
    CPrivateGroupsView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr)
        : CContactListView(document, kind, index, parent) {}
};

}  // namespace vex::gui

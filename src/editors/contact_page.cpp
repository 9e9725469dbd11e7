#include "editors/contact_page.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>

#include "app/gui_support.h"
#include "app/vexprg_doc.h"
#include "common/exception.h"
#include "editors/item_values.h"
#include "editors/list_filter.h"
#include "editors/tree_view.h"
#include "ui_private_groups_view.h"
#include "ui_privates_view.h"
#include "ui_public_groups_view.h"

namespace vex::gui {

namespace {

constexpr int kMaxNameLength = 20;

// Calls its handler after `field` lost the focus to another control of `page`.
class FocusLossWatch : public QObject {
  public:
    FocusLossWatch(CBaseView* page, QWidget* field, std::function<void(QWidget*)> handler)
        : QObject(field), m_page(page), m_handler(std::move(handler)) {
        field->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            // The application's focus widget is already the one that takes the focus.
            QPointer<QWidget> next = QApplication::focusWidget();
            QPointer<CBaseView> page = m_page;
            if (next != nullptr && next != watched && page->isAncestorOf(next)) {
                QTimer::singleShot(0, page, [page, next, handler = m_handler] {
                    if (page == nullptr || next == nullptr || page->IsRetired() ||
                        !page->IsLoaded() || Flags().suppressValidation) {
                        return;
                    }
                    handler(next);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    CBaseView* m_page;
    std::function<void(QWidget*)> m_handler;
};

// Numbers sort as numbers, texts without regard to case.
class TableItem : public QTableWidgetItem {
  public:
    explicit TableItem(const QString& text) : QTableWidgetItem(text) {}
    bool operator<(const QTableWidgetItem& other) const override {
        bool leftNumber = false;
        bool rightNumber = false;
        const qlonglong left = text().toLongLong(&leftNumber);
        const qlonglong right = other.text().toLongLong(&rightNumber);
        if (leftNumber && rightNumber) return left < right;
        if (leftNumber != rightNumber) return leftNumber;  // numbers before texts
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

}  // namespace

QString FormatIdText(int id, std::initializer_list<long long> numbers) {
    QString text = Text(id);
    auto next = numbers.begin();
    for (qsizetype at = text.indexOf(QStringLiteral("%d")); at >= 0;
         at = text.indexOf(QStringLiteral("%d"), at)) {
        const QString number = QString::number(next != numbers.end() ? *next++ : 0);
        text.replace(at, 2, number);
        at += number.size();
    }
    return text;
}

void LimitPopup(QComboBox* combo) {
    combo->setMaxVisibleItems(16);
    combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
}

void SetUpAddButton(CBaseView* page, const AddControls& add, int listKind) {
    auto* button = page->ControlAs<QPushButton>(add.buttonId);
    button->setIcon(QIcon(QStringLiteral(":/icons/add.svg")));
    QObject::connect(button, &QPushButton::clicked, page, [page, listKind] {
        if (page->IsRetired()) return;
        page->Document()->UpdateAllViews(page, MakeHint(hint::kAdd, listKind, 0));
    });
}

void UpdateAddButton(CBaseView* page, const AddControls& add, const CDataItem& list) {
    page->Control(add.labelId)->setProperty("text", Text(add.textId));
    page->Control(add.buttonId)->setEnabled(list.CanAddChild());
}

// CContactItemView ------------------------------------------------------------------------------

CContactItemView::CContactItemView(CVEXPRGDoc* document, int kind, int index, const char* listName,
                                   int listKind, QWidget* parent)
    : CBaseView(document, kind, index, parent), m_listName(listName), m_listKind(listKind) {
    connect(document, &CVEXPRGDoc::Updated, this, [this](QObject* sender, std::uint32_t value) {
        const int action = static_cast<int>(value & 0xFF);
        const int kindOf = static_cast<int>((value >> 8) & 0xFF);
        const int entry = static_cast<int>(value >> 16);
        if (sender != this && !IsRetired() && IsLoaded() && action == hint::kRefresh &&
            kindOf == NodeKind() && entry == NodeIndex()) {
            OnTreeRefresh();
        }
    });
}

void CContactItemView::SetUpContactPage(int titleId, const AddControls& add, int nameId) {
    SetLayoutTable({{titleId, LayoutKind::Title}});
    Control(add.labelId)->hide();
    Control(add.buttonId)->hide();
    SetUpAddButton(this, add, m_listKind);
    SetUpNameField(ControlAs<QLineEdit>(nameId));
}

CDataItem CContactItemView::ContactList() const {
    return Root().GetChildByName("Contacts").GetChildByName(m_listName);
}

void CContactItemView::FindItem() {
    m_item = ContactList().GetChildByIndex(NodeIndex());
    if (m_item.IsEmpty()) {
        throw CVEXPRGException(108, "CContactItemView::FindItem", __LINE__,
                               "Index='" + std::to_string(NodeIndex()) + "'");
    }
}

void CContactItemView::LoadContactLabels(int titleId, const AddControls& add) {
    try {
        if (m_item.IsEmpty()) FindItem();
        Control(titleId)->setProperty("text", AttributeText(m_item, "name"));
        UpdateAddButton(this, add, ContactList());
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

void CContactItemView::SetUpNameField(QLineEdit* edit) {
    m_nameEdit = edit;
    edit->setMaxLength(kMaxNameLength);
    connect(edit, &QLineEdit::textEdited, this, [this] { MarkModified(); });
    WatchFocusLoss(edit, [this](QWidget*) { CommitName(); });
}

QWidget* CContactItemView::NameField() const {
    return m_nameEdit;
}

void CContactItemView::FocusFirstField() {
    activateWindow();
    if (m_nameEdit == nullptr) return;
    m_nameEdit->setFocus(Qt::OtherFocusReason);
    m_nameEdit->selectAll();
}

std::int32_t CContactItemView::SetValue(std::string_view attribute, const AttributeValue& value,
                                        std::int32_t& msgId, std::int32_t answer,
                                        std::int32_t& style) {
    const QString label = tr("Change %1 of %2").arg(Qs(attribute), AttributeText(m_item, "name"));
    const std::int32_t result = Document()->Change(
        label, [&] { return m_item.SetAttributeValue(attribute, value, msgId, answer, style); });
    // Every value taken counts as a change of the profile, also where no typing marked it.
    if (result == 0) MarkModified();
    return result;
}

void CContactItemView::ShowRuleMessage(std::int32_t msgId, std::int32_t style,
                                       std::initializer_list<long long> format) {
    if (msgId != 0) ShowMessage(this, FormatIdText(msgId, format), style);
}

bool CContactItemView::SetValueAsking(std::string_view attribute, const AttributeValue& value,
                                      std::initializer_list<long long> format) {
    std::int32_t msgId = 0;
    std::int32_t style = 0;
    std::int32_t result = SetValue(attribute, value, msgId, 0, style);
    if (result == 0) {
        ShowRuleMessage(msgId, style, format);
        return true;
    }
    if (result == 1 || msgId == 0) {
        ShowRuleMessage(msgId, style, format);
        return false;
    }
    if (ShowMessage(this, FormatIdText(msgId, format), style) != mb::kIdOk) return false;
    msgId = style = 0;
    result = SetValue(attribute, value, msgId, 1, style);
    ShowRuleMessage(msgId, style, format);
    return result == 0;
}

bool CContactItemView::SetFromChoice(QComboBox* combo, int& held, int selection,
                                     std::string_view attribute, const AttributeValue& value) {
    std::int32_t msgId = 0;
    std::int32_t style = 0;
    const bool taken = SetValue(attribute, value, msgId, 0, style) == 0;
    if (taken) held = selection;
    ShowRuleMessage(msgId, style);
    if (!taken) {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(held);
    }
    return taken;
}

void CContactItemView::WatchFocusLoss(QWidget* field, std::function<void(QWidget*)> handler) {
    new FocusLossWatch(this, field, std::move(handler));
}

void CContactItemView::RefreshTreeEntry() {
    SendHint(hint::kRefresh, NodeKind(), NodeIndex());
}

void CContactItemView::CommitName() {
    if (IsRetired() || m_nameEdit == nullptr) return;
    try {
        const QString name = m_nameEdit->text().trimmed();
        if (name.isEmpty()) {
            ShowMessageId(this, 10055, mb::kOk | mb::kIconWarning);
            m_nameEdit->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (name == AttributeText(m_item, "name")) {
            m_nameEdit->setText(name);
            return;
        }
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        if (SetValue("name", Std(name), msgId, 0, style) != 0) {
            ShowRuleMessage(msgId, style);
            m_nameEdit->setFocus(Qt::OtherFocusReason);
            m_nameEdit->selectAll();
            return;
        }
        m_nameEdit->setText(name);
        LoadLabels();
        RefreshTreeEntry();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

bool CContactItemView::NameAccepted() {
    const QString name = m_nameEdit->text().trimmed();
    if (name.isEmpty()) return false;
    if (name != AttributeText(m_item, "name")) {
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        if (SetValue("name", Std(name), msgId, 0, style) != 0) return false;
        m_nameEdit->setText(name);
    }
    LoadLabels();
    RefreshTreeEntry();
    return true;
}

int CContactItemView::ValidateContact(const std::function<QString()>& otherFields,
                                      const std::function<void()>& focusOther) {
    if (IsRetired() || m_item.IsEmpty()) return 1;
    try {
        const bool nameWrong = !NameAccepted();
        const QString wrong = (nameWrong ? Text(10162) : QString()) + otherFields();
        if (wrong.isEmpty()) return 1;
        if (QWidget* frame = window()) frame->activateWindow();
        QString question = Text(10161);
        question.replace(QStringLiteral("%s"), wrong);
        if (ShowMessage(this, question, mb::kOkCancel | mb::kIconWarning) == mb::kIdOk) {
            Flags().suppressValidation = true;
            try {
                SendHint(hint::kDelete, NodeKind(), NodeIndex());
            } catch (...) {
                Flags().suppressValidation = false;
                throw;
            }
            Flags().suppressValidation = false;
            return -1;
        }
        if (nameWrong)
            PostFocusName();
        else
            QTimer::singleShot(0, this, focusOther);
        return 0;
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
        return 0;
    }
}

void CContactItemView::OnTreeRefresh() {
    try {
        LoadLabels();
        if (m_nameEdit != nullptr) m_nameEdit->setText(AttributeText(m_item, "name"));
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

// CContactListView ------------------------------------------------------------------------------

namespace {

enum Column { kName, kChannel, kPid, kExtra };

}  // namespace

CContactListView::CContactListView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CBaseView(document, kind, index, parent) {
    QStringList headers = {Text(10052), Text(10053), Text(10054)};
    switch (kind) {
        case node::kPublicGroups: {
            Ui::PublicGroupsView ui;
            ui.setupUi(Form());
            m_titleId = 1030;
            m_titleTextId = 10038;
            m_add = {1031, 1029, 10037};
            headers << tr("Scan List");
            break;
        }
        case node::kPrivates: {
            Ui::PrivatesView ui;
            ui.setupUi(Form());
            m_titleId = 1036;
            m_titleTextId = 10042;
            m_add = {1038, 1037, 10041};
            headers << Text(10095);
            break;
        }
        default: {
            Ui::PrivateGroupsView ui;
            ui.setupUi(Form());
            m_titleId = 1035;
            m_titleTextId = 10040;
            m_add = {1033, 1034, 10039};
            headers << Text(10103);
            break;
        }
    }
    SetLayoutTable({{m_titleId, LayoutKind::Title}});
    SetUpAddButton(this, m_add, kind);

    auto* table = ControlAs<QTableWidget>(2002);
    table->setColumnCount(static_cast<int>(headers.size()));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setSortIndicator(kName, Qt::AscendingOrder);
    table->setColumnWidth(kName, 170);
    table->setColumnWidth(kChannel, 70);
    table->setColumnWidth(kPid, 110);
    InstallRowFilter(ControlAs<QLineEdit>(2001), table, {kName, kPid});
}

CDataItem CContactListView::ContactList() const {
    const char* name = NodeKind() == node::kPublicGroups ? "PublicGroups"
                       : NodeKind() == node::kPrivates   ? "Privates"
                                                         : "PrivateGroups";
    return Root().GetChildByName("Contacts").GetChildByName(name);
}

void CContactListView::LoadLabels() {
    Control(m_titleId)->setProperty("text", Text(m_titleTextId));
    try {
        UpdateAddButton(this, m_add, ContactList());
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
}

void CContactListView::LoadData() {
    auto* table = ControlAs<QTableWidget>(2002);
    table->setSortingEnabled(false);
    try {
        const CDataItem list = ContactList();
        const std::int32_t count = list.GetChildCount();
        table->setRowCount(count);
        const QString ownPid = AttributeText(Root().GetChildByName("limit"), "pid");
        for (std::int32_t i = 0; i < count; ++i) {
            const CDataItem contact = list.GetChildByIndex(i);
            const QString pid = AttributeText(contact, "pid");
            auto* name = new TableItem(AttributeText(contact, "name"));
            int image = NodeKind() == node::kPublicGroups    ? 6
                        : NodeKind() == node::kPrivateGroups ? 8
                                                             : 10;
            if (NodeKind() == node::kPrivates && pid == ownPid) image = 11;
            name->setIcon(TreeImage(image));
            QString extra;
            if (NodeKind() == node::kPublicGroups) {
                extra = AttributeFlag(contact, "in_scan_list") ? tr("Yes") : QString();
            } else if (NodeKind() == node::kPrivates) {
                extra = Qs(
                    CDataItem::GetContactNameByID(Root(), Std(AttributeText(contact, "home_grp"))));
            } else {
                std::vector<std::string> pids;
                std::vector<std::string> names;
                CDataItem::GetGroupMemeber(Root(), Std(pid), pids, names);
                extra = QString::number(pids.size());
            }
            table->setItem(i, kName, name);
            table->setItem(i, kChannel, new TableItem(AttributeText(contact, "channel")));
            table->setItem(i, kPid, new TableItem(pid));
            table->setItem(i, kExtra, new TableItem(extra));
        }
    } catch (const CVEXPRGException&) {
        ProfileDataError();
    }
    table->setSortingEnabled(true);
    ReapplyRowFilter(ControlAs<QLineEdit>(2001));
}

}  // namespace vex::gui

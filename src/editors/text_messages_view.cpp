#include "editors/text_messages_view.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <algorithm>

#include "app/gui_support.h"
#include "app/vexprg_doc.h"
#include "common/exception.h"
#include "editors/item_values.h"
#include "editors/tree_view.h"
#include "ui_text_message_view.h"
#include "ui_text_messages_view.h"

namespace vex::gui {

namespace {

void SetText(QWidget* control, const QString& text) {
    control->setProperty("text", text);
}

// The deletion runs with the page checks off: the tree replaces this page meanwhile.
class SuppressValidation {
  public:
    SuppressValidation() : m_before(Flags().suppressValidation) {
        Flags().suppressValidation = true;
    }
    ~SuppressValidation() { Flags().suppressValidation = m_before; }
    SuppressValidation(const SuppressValidation&) = delete;
    SuppressValidation& operator=(const SuppressValidation&) = delete;

  private:
    bool m_before;
};

}  // namespace

// ---- The list -----------------------------------------------------------------------------------

CTextMessagesView::CTextMessagesView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CBaseView(document, kind, index, parent) {
    Ui::TextMessagesView ui;
    ui.setupUi(Form());
    SetLayoutTable({{1058, LayoutKind::Title}});
    auto* add = ControlAs<QPushButton>(1063);
    add->setIcon(QIcon(QStringLiteral(":/icons/add.svg")));
    connect(add, &QPushButton::clicked, this, &CTextMessagesView::OnAdd);
}

void CTextMessagesView::LoadLabels() {
    SetText(Control(1058), Text(10087));
    SetText(Control(1059), Text(10088));
    SetText(Control(1060), Text(10089));
    SetText(Control(1064), Text(10090));
}

void CTextMessagesView::LoadData() {
    try {
        const CDataItem& root = Root();
        const CDataItem messages = root.GetChildByName("TextMessages");
        ControlAs<QLineEdit>(1028)->setText(QString::number(
            AttributeNumber(root.GetChildByName("limit"), "max_num_of_predefined_msgs")));
        ControlAs<QLineEdit>(1030)->setText(QString::number(messages.GetChildCount()));
        Control(1063)->setEnabled(messages.CanAddChild());
    } catch (CVEXPRGException& error) {
        error.AddContext("CTextMessagesView::LoadData", __LINE__, Std(Text(20006)));
        throw;
    }
}

void CTextMessagesView::OnAdd() {
    SendHint(hint::kAdd, node::kTextMessages, 0);
    if (IsRetired()) return;
    try {
        LoadData();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

// ---- One message --------------------------------------------------------------------------------

CTextMessageView::CTextMessageView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : CBaseView(document, kind, index, parent) {
    Ui::TextMessageView ui;
    ui.setupUi(Form());
    SetLayoutTable({{1057, LayoutKind::Title}});
    m_edit = ControlAs<QPlainTextEdit>(1009);
    m_edit->setTabChangesFocus(true);
    auto* remove = ControlAs<QPushButton>(1015);
    remove->setIcon(QIcon(QStringLiteral(":/icons/delete.svg")));
    auto* add = ControlAs<QPushButton>(1063);
    add->setIcon(QIcon(QStringLiteral(":/icons/add.svg")));
    add->hide();
    Control(1064)->hide();
    connect(remove, &QPushButton::clicked, this, &CTextMessageView::OnDelete);
    connect(add, &QPushButton::clicked, this, &CTextMessageView::OnAdd);
    connect(m_edit, &QPlainTextEdit::textChanged, this, &CTextMessageView::OnTextChanged);
}

QWidget* CTextMessageView::NameField() const {
    return m_edit;
}

void CTextMessageView::FocusFirstField() {
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->selectAll();
}

void CTextMessageView::LoadLabels() {
    SetText(Control(1057), Text(10091));
    SetText(Control(1075), Text(10092));
    SetText(Control(1074), Text(10093));
    SetText(Control(1064), Text(172));
}

void CTextMessageView::LoadData() {
    try {
        const CDataItem message =
            Root().GetChildByName("TextMessages").GetChildByIndex(NodeIndex());
        if (message.IsEmpty()) {
            throw CVEXPRGException(20006, "CTextMessageView::LoadData", __LINE__,
                                   "Index='" + std::to_string(NodeIndex()) + "'");
        }
        m_bLimiting = true;
        m_edit->setPlainText(AttributeText(message, "txt").left(kMaxLength));
        m_bLimiting = false;
        m_bChanged = false;
    } catch (CVEXPRGException& error) {
        m_bLimiting = false;
        error.AddContext("CTextMessageView::LoadData", __LINE__, Std(Text(20006)));
        throw;
    }
}

void CTextMessageView::OnTextChanged() {
    if (m_bLimiting) return;
    const QString text = m_edit->toPlainText();
    if (text.size() > kMaxLength) {
        // Keep what was there and as much of the insertion (just before the caret) as fits.
        QTextCursor caret = m_edit->textCursor();
        const int excess = static_cast<int>(text.size()) - kMaxLength;
        const int end = caret.position();
        const int start = std::max(0, end - excess);
        QString kept = text;
        kept.remove(start, end - start);
        if (kept.size() > kMaxLength) kept.truncate(kMaxLength);
        m_bLimiting = true;
        m_edit->setPlainText(kept);
        caret = m_edit->textCursor();
        caret.setPosition(std::min(start, static_cast<int>(kept.size())));
        m_edit->setTextCursor(caret);
        m_bLimiting = false;
        ShowMessage(this, Text(201).replace(QStringLiteral("%d"), QString::number(kMaxLength)));
    }
    if (IsLoaded()) {
        m_bChanged = true;
        MarkModified();
    }
}

QString CTextMessageView::CleanText(const QString& text) {
    QString clean;
    for (const QChar c : text.trimmed()) {
        if (c.unicode() >= 32) clean.append(c);
    }
    return clean.trimmed();
}

void CTextMessageView::DeleteThroughTree() {
    SuppressValidation suppress;
    SendHint(hint::kDelete, node::kTextMessage, NodeIndex());
}

void CTextMessageView::OnDelete() {
    DeleteThroughTree();
}

void CTextMessageView::OnAdd() {
    SendHint(hint::kAdd, node::kTextMessages, 0);
}

int CTextMessageView::ValidateData() {
    if (Flags().suppressValidation || IsRetired()) return 1;
    const QString text = CleanText(m_edit->toPlainText());
    if (text.isEmpty()) {
        for (QWidget* up = parentWidget(); up != nullptr; up = up->parentWidget()) {
            if (auto* frame = qobject_cast<QMdiSubWindow*>(up)) {
                if (QMdiArea* area = frame->mdiArea()) area->setActiveSubWindow(frame);
                break;
            }
        }
        if (ShowMessageId(this, 10101, mb::kOkCancel | mb::kIconQuestion) == mb::kIdOk) {
            DeleteThroughTree();
            return -1;
        }
        PostFocusName();
        return 0;
    }
    if (!m_bChanged) return 1;
    try {
        CDataItem message = Root().GetChildByName("TextMessages").GetChildByIndex(NodeIndex());
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        const std::int32_t result = Document()->Change(tr("Edit Text Message"), [&] {
            return message.SetAttributeValue("txt", Std(text), msgId, 0, style);
        });
        if (result != 0) {
            // The text stays on the page, so that nothing typed is lost.
            ShowMessageId(this, msgId, style);
            PostFocusName();
            return 0;
        }
        m_bChanged = false;
        MarkModified();
        if (msgId != 0) ShowMessageId(this, msgId, style);
        SendHint(hint::kRefresh, node::kTextMessage, NodeIndex());
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
        return 0;
    }
    return 1;
}

}  // namespace vex::gui

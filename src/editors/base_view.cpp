#include "editors/base_view.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <limits>

#include "app/gui_support.h"
#include "app/vexprg_doc.h"

namespace vex::gui {

namespace {

const QColor kBandColour(192, 192, 255);
constexpr int kTitleMargin = 10;  // the title spans the pane less this on each side
constexpr int kLeftStop = 20;     // no control moves further left than this
constexpr int kFormMargin = 10;

}  // namespace

CBaseView::CBaseView(CVEXPRGDoc* document, int kind, int index, QWidget* parent)
    : QScrollArea(parent), m_document(document), m_kind(kind), m_index(index), m_form(new QWidget) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setWidget(m_form);
    m_form->setObjectName(QStringLiteral("form"));
    m_form->installEventFilter(this);
    QPalette page = palette();
    page.setColor(QPalette::Window, Qt::white);
    setPalette(page);
    setAutoFillBackground(true);
    m_form->setPalette(page);
    m_form->setAutoFillBackground(true);
    viewport()->setPalette(page);
}

CBaseView::~CBaseView() = default;

const CDataItem& CBaseView::Root() const {
    return m_document->Root();
}

QWidget* CBaseView::Control(int id) const {
    return FindControl(m_form, id);
}

void CBaseView::SetLayoutTable(std::vector<LayoutEntry> table) {
    m_layout = std::move(table);
    // Every other control of the form is an ordinary one: it moves with the form.
    for (QObject* child : m_form->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget->isWindow()) continue;
        const bool listed =
            std::any_of(m_layout.begin(), m_layout.end(),
                        [&](const LayoutEntry& e) { return Control(e.controlId) == widget; });
        if (listed) continue;
        const QString name = widget->objectName();
        const int id = name.section(QLatin1Char('_'), -1).toInt();
        if (id > 0) m_layout.push_back({id, LayoutKind::Control});
    }
}

void CBaseView::InitControls() {
    ApplyLook();
    LoadLabels();
    LoadData();
    m_bLoaded = true;
}

void CBaseView::InitialUpdate() {
    if (m_bInitialised) return;
    m_bInitialised = true;
    InitControls();
    FitForm();
    Rearrange(width());
}

void CBaseView::ApplyLook() {
    QFont title = font();
    title.setPointSizeF(12.0);
    title.setWeight(QFont::Bold);
    QFont section = font();
    section.setPointSizeF(12.0 * 72.0 / 80.0);
    section.setWeight(QFont::DemiBold);
    for (const LayoutEntry& entry : m_layout) {
        QWidget* control = Control(entry.controlId);
        if (control == nullptr) continue;
        QPalette colours = control->palette();
        if (entry.kind == LayoutKind::Control) {
            colours.setColor(QPalette::Window, Qt::white);
            colours.setColor(QPalette::Base, Qt::white);
            control->setPalette(colours);
            continue;
        }
        control->setFont(entry.kind == LayoutKind::Title ? title : section);
        colours.setColor(QPalette::Window, kBandColour);
        colours.setColor(QPalette::WindowText, Qt::white);
        control->setPalette(colours);
        control->setAutoFillBackground(true);
        if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setIndent(6);
            if (entry.kind == LayoutKind::Title) label->setAlignment(Qt::AlignCenter);
        }
    }
    if (!m_layout.empty()) {
        if (QWidget* titleControl = Control(m_layout.front().controlId)) {
            // A click on the page background moves the focus here, so that a field being edited
            // loses it and is checked.
            titleControl->setFocusPolicy(Qt::ClickFocus);
        }
    }
}

int CBaseView::Rearrange(int paneWidth) {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    if (paneWidth < 10 || m_layout.empty()) return 0;
    QWidget* title = Control(m_layout.front().controlId);
    if (title == nullptr) return 0;

    const QRect before = title->geometry();
    const int formerCentre = before.x() + before.width() / 2;
    title->setGeometry(kTitleMargin, before.y(), paneWidth - 2 * kTitleMargin, before.height());

    int shift = paneWidth / 2 - formerCentre;
    if (shift == 0) return 0;

    std::vector<QWidget*> others;
    for (std::size_t i = 1; i < m_layout.size(); ++i) {
        QWidget* control = Control(m_layout[i].controlId);
        if (control != nullptr && control != title) others.push_back(control);
    }
    if (shift < 0) {
        int leftmost = std::numeric_limits<int>::max();
        for (QWidget* control : others) leftmost = std::min(leftmost, control->x());
        if (!others.empty() && leftmost + shift < kLeftStop) {
            const int allowed = kLeftStop - leftmost;
            m_pendingShift += shift - allowed;
            shift = allowed;
        }
    } else if (m_pendingShift < 0) {
        const int repaid = m_pendingShift + shift;
        if (repaid <= 0) {
            m_pendingShift = repaid;
            shift = 0;
        } else {
            m_pendingShift = 0;
            shift = repaid;
        }
    }
    if (shift != 0) {
        for (QWidget* control : others) control->move(control->x() + shift, control->y());
    }
    FitForm();
    m_form->update();
    return shift;
}

void CBaseView::FitForm() {
    int right = 0;
    int bottom = 0;
    for (std::size_t i = 1; i < m_layout.size(); ++i) {
        if (QWidget* control = Control(m_layout[i].controlId)) {
            right = std::max(right, control->geometry().right());
            bottom = std::max(bottom, control->geometry().bottom());
        }
    }
    m_form->setMinimumSize(right + kFormMargin, bottom + kFormMargin);
}

void CBaseView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (m_bInitialised) Rearrange(width());
}

bool CBaseView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_form && event->type() == QEvent::MouseButtonPress && !m_layout.empty()) {
        if (QWidget* title = Control(m_layout.front().controlId))
            title->setFocus(Qt::MouseFocusReason);
    }
    return QScrollArea::eventFilter(watched, event);
}

void CBaseView::MarkModified() {
    if (m_bLoaded && !Flags().suppressValidation) m_document->SetModifiedFlag(true);
}

void CBaseView::SendHint(int action, int kind, int index) {
    m_document->UpdateAllViews(this, MakeHint(action, kind, index));
}

void CBaseView::ProfileDataError() {
    ShowMessageId(this, 10113, mb::kOk | mb::kIconError);
    m_document->SetModifiedFlag(false);
    emit CloseRequested();
}

void CBaseView::PostFocusName() {
    QTimer::singleShot(0, this, [this] {
        if (QWidget* name = NameField()) {
            name->setFocus(Qt::OtherFocusReason);
            QMetaObject::invokeMethod(name, "selectAll");
        }
    });
}

void CBaseView::PostFocusFirstField() {
    QTimer::singleShot(0, this, [this] { FocusFirstField(); });
}

}  // namespace vex::gui

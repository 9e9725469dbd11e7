#include "app/child_frame.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QSplitter>
#include <QTimer>

#include "app/gui_support.h"
#include "app/vexprg_doc.h"
#include "common/exception.h"
#include "editors/base_view.h"
#include "editors/page_factory.h"
#include "editors/tree_view.h"

namespace vex::gui {

namespace {

QString AskWithFileDialog(QWidget* parent, const QString& suggestion) {
    return QFileDialog::getSaveFileName(parent, QObject::tr("Save As"), suggestion,
                                        QStringLiteral("VEX480 PRG Files (*.lam)"));
}

SavePathAsker g_asker = AskWithFileDialog;

const QString kSplitterKey = QStringLiteral("ProfileWindow/Splitter");

QSettings UserSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Kestrion"),
                     QStringLiteral("VEX480 PRG"));
}

}  // namespace

void SetSavePathAsker(SavePathAsker asker) {
    g_asker = asker ? std::move(asker) : SavePathAsker(AskWithFileDialog);
}

CChildFrame::CChildFrame(std::unique_ptr<CVEXPRGDoc> document, QWidget* parent)
    : QMdiSubWindow(parent), m_document(std::move(document)), m_splitter(new QSplitter(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(TreeImage(0));
    // Ctrl+W is the Write command: the window's own Close keeps Ctrl+F4 only, so that the key is
    // not claimed twice (an ambiguous key does nothing).
    for (QAction* action : systemMenu()->actions()) {
        if (action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_W))) {
            action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
        }
    }
    m_tree = new CVEXPRGTreeView(m_document.get(), m_splitter);
    m_splitter->addWidget(m_tree);
    m_splitter->setChildrenCollapsible(false);
    setWidget(m_splitter);
    const QByteArray state = UserSettings().value(kSplitterKey).toByteArray();
    if (state.isEmpty() || !m_splitter->restoreState(state)) m_splitter->setSizes({270, 700});
    connect(m_splitter, &QSplitter::splitterMoved, this,
            [this] { UserSettings().setValue(kSplitterKey, m_splitter->saveState()); });

    m_tree->SetLeaveCheck([this] { return AskPageToCommit(); });
    connect(m_tree, &CVEXPRGTreeView::NodeSelected, this, &CChildFrame::ShowPage);
    connect(m_tree, &CVEXPRGTreeView::FocusFirstFieldRequested, this, [this] {
        if (CBaseView* page = CurrentPage()) page->PostFocusFirstField();
    });
    connect(m_document.get(), &CVEXPRGDoc::ModifiedChanged, this, &CChildFrame::UpdateTitle);
    connect(m_document.get(), &CVEXPRGDoc::TitleChanged, this, &CChildFrame::UpdateTitle);
    connect(m_document.get(), &CVEXPRGDoc::Reloaded, this, &CChildFrame::RebuildKeepingSelection);
    UpdateTitle();
    Rebuild();
}

CChildFrame::~CChildFrame() {
    // The page and the tree hold data items of the document: they go first.
    delete m_splitter;
}

void CChildFrame::UpdateTitle() {
    setWindowTitle(m_document->Title() + QStringLiteral("[*]"));
    setWindowModified(m_document->IsModified());
}

CBaseView* CChildFrame::CurrentPage() const {
    return m_page.data();
}

int CChildFrame::AskPageToCommit() {
    CBaseView* page = CurrentPage();
    return page != nullptr ? page->ValidateData() : 1;
}

void CChildFrame::Rebuild() {
    m_tree->InitialUpdate();
    if (m_tree->topLevelItemCount() > 0) {
        const QSignalBlocker blocker(m_tree);
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
    }
    ShowPage(0);
}

void CChildFrame::RebuildKeepingSelection() {
    QTreeWidgetItem* current = m_tree->currentItem();
    const std::uint32_t selected = current != nullptr ? current->data(0, Qt::UserRole).toUInt() : 0;
    m_tree->InitialUpdate();
    QTreeWidgetItem* again = m_tree->FindNode(selected);
    if (again == nullptr && m_tree->topLevelItemCount() > 0) again = m_tree->topLevelItem(0);
    {
        const QSignalBlocker blocker(m_tree);
        m_tree->setCurrentItem(again);
    }
    ShowPage(again != nullptr ? again->data(0, Qt::UserRole).toUInt() : 0);
    m_tree->UpdateCommandState(again);
}

void CChildFrame::ShowPage(std::uint32_t nodeData) {
    InstallPage(CreatePage(m_document.get(), nodeData, m_splitter));
}

void CChildFrame::InstallPage(CBaseView* page) {
    CBaseView* old = CurrentPage();
    connect(page, &CBaseView::CloseRequested, this,
            [this] { QTimer::singleShot(0, this, &CChildFrame::CloseWithoutSaving); });
    if (old != nullptr) {
        // A page may ask for this from its own handler: it goes once that has returned.
        old->Retire();
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    m_splitter->addWidget(page);
    m_splitter->setStretchFactor(1, 1);
    m_page = page;
    try {
        page->InitialUpdate();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
}

bool CChildFrame::Save() {
    if (m_document->PathName().isEmpty()) return SaveAs();
    if (!m_tree->FinishLabelEdit()) return false;
    if (AskPageToCommit() == 0) return false;
    return SaveTo(m_document->PathName());
}

bool CChildFrame::SaveAs(const QString& path) {
    if (!m_tree->FinishLabelEdit()) return false;
    if (AskPageToCommit() == 0) return false;
    QString target = path;
    if (target.isEmpty()) {
        QString suggestion = m_document->PathName();
        if (suggestion.isEmpty()) suggestion = m_document->Title() + QStringLiteral(".lam");
        target = g_asker(this, suggestion);
        if (target.isEmpty()) return false;
        if (QFileInfo(target).suffix().isEmpty()) target += QStringLiteral(".lam");
    }
    return SaveTo(target);
}

bool CChildFrame::SaveTo(const QString& path) {
    try {
        m_document->Save(path);
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
        return false;
    }
    emit Saved(m_document->PathName());
    return true;
}

bool CChildFrame::SaveModified() {
    if (!m_document->IsModified()) return true;
    const int answer = ShowMessage(this, tr("Save changes to %1?").arg(m_document->Title()),
                                   mb::kYesNoCancel | mb::kIconWarning);
    if (answer == mb::kIdCancel) return false;
    if (answer == mb::kIdNo) return true;
    return Save();
}

void CChildFrame::CloseWithoutSaving() {
    m_bForceClose = true;
    close();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_bForceClose && !SaveModified()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

}  // namespace vex::gui

#include "app/main_frame.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QUndoGroup>
#include <QUndoStack>
#include <QUrl>
#include <algorithm>
#include <thread>

#include "app/child_frame.h"
#include "app/dialogs.h"
#include "app/gui_support.h"
#include "app/transfer_dialogs.h"
#include "app/vexprg_doc.h"
#include "common/exception.h"
#include "editors/tree_view.h"
#include "link/verify.h"
#include "model/profile_document.h"
#include "model/radio_clock.h"
#include "report/ui/report_dialogs.h"
#include "settings/port_list.h"
#include "settings/settings_store.h"

namespace vex::gui {

namespace {

constexpr int kMaxRecentFiles = 4;
const QString kRecentKey = QStringLiteral("Recent File List/Files");

QSettings UserSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Kestrion"),
                     QStringLiteral("VEX480 PRG"));
}

// The focused edit field, if the focus is in one.
struct FocusedEdit {
    QLineEdit* line = nullptr;
    QPlainTextEdit* plain = nullptr;
    QTextEdit* rich = nullptr;

    bool IsEdit() const { return line != nullptr || plain != nullptr || rich != nullptr; }
    bool ReadOnly() const {
        if (line != nullptr) return line->isReadOnly();
        if (plain != nullptr) return plain->isReadOnly();
        return rich != nullptr && rich->isReadOnly();
    }
    bool HasSelection() const {
        if (line != nullptr) return line->hasSelectedText();
        if (plain != nullptr) return plain->textCursor().hasSelection();
        return rich != nullptr && rich->textCursor().hasSelection();
    }
};

FocusedEdit FindFocusedEdit() {
    QWidget* focus = QApplication::focusWidget();
    FocusedEdit edit;
    edit.line = qobject_cast<QLineEdit*>(focus);
    edit.plain = qobject_cast<QPlainTextEdit*>(focus);
    edit.rich = qobject_cast<QTextEdit*>(focus);
    return edit;
}

// The first line of a command prompt is the status-bar text; the second, if any, the tool tip.
void SetPrompt(QAction* action, int promptId) {
    const QStringList lines = Text(promptId).split(QLatin1Char('\n'));
    action->setStatusTip(lines.value(0));
    if (lines.size() > 1) action->setToolTip(lines.value(1));
}

}  // namespace

// A reset runs on a worker thread of its own while the window goes on; its reports come back here.
struct CMainFrame::ResetJob {
    std::shared_ptr<std::string> openFailure = std::make_shared<std::string>();
    std::unique_ptr<TransferEngine> engine;
    std::unique_ptr<CGuiTransferObserver> observer;
    std::thread thread;
};

CMainFrame::CMainFrame(const QString& installPath, QWidget* parent)
    : QMainWindow(parent), m_strInstallPath(installPath), m_mdi(new QMdiArea(this)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/vexprg.svg")));
    setAcceptDrops(true);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setBackground(QColor(0xE6, 0xE8, 0xF0));
    setCentralWidget(m_mdi);

    CreateMenus();
    CreateToolBar();
    m_transferPane = new QLabel(this);
    m_transferPane->setObjectName(QStringLiteral("transferState"));
    m_transferPane->setMinimumWidth(110);
    m_transferPane->setAlignment(Qt::AlignCenter);
    statusBar()->addPermanentWidget(m_transferPane);
    SetTransferStatus(tr("Idle"));
    statusBar()->showMessage(Text(57345));

    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &CMainFrame::UpdateCommandUI);
    UpdateRecentMenu();
    OnSubWindowActivated();
}

CMainFrame::~CMainFrame() {
    for (const auto& job : m_resets) {
        job->engine->RequestCancel();
        job->thread.join();
    }
    m_resets.clear();
    // The profile windows go first, while this window is whole: none of their signals may reach
    // it once it is being taken apart.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
    disconnect(m_mdi, nullptr, this, nullptr);
    for (CChildFrame* child : Children()) {
        disconnect(child, nullptr, this, nullptr);
        disconnect(child->Tree(), nullptr, this, nullptr);
    }
    delete m_mdi;
    m_mdi = nullptr;
}

QString CMainFrame::TemplateFolder() const {
    return QDir(m_strInstallPath).filePath(QString::fromLatin1(kTemplateFolderName));
}

QAction* CMainFrame::MakeAction(const QString& name, const QString& text, const QString& icon,
                                const QKeySequence& shortcut, int promptId) {
    auto* action = new QAction(text, this);
    action->setObjectName(QStringLiteral("action") + name);
    if (!icon.isEmpty()) action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(icon)));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    if (promptId != 0) SetPrompt(action, promptId);
    m_actions.insert(name, action);
    return action;
}

QAction* CMainFrame::Command(const QString& name) const {
    return m_actions.value(name);
}

void CMainFrame::CreateMenus() {
    QAction* newFile = MakeAction(QStringLiteral("New"), tr("&New"), QStringLiteral("new"),
                                  QKeySequence(Qt::CTRL | Qt::Key_N));
    newFile->setStatusTip(tr("Create a new profile from a radio model"));
    QAction* open = MakeAction(QStringLiteral("Open"), tr("&Open..."), QStringLiteral("open"),
                               QKeySequence(Qt::CTRL | Qt::Key_O));
    open->setStatusTip(tr("Open a profile file"));
    QAction* close = MakeAction(QStringLiteral("Close"), tr("&Close"), QStringLiteral("close"));
    close->setStatusTip(tr("Close the active profile"));
    QAction* save = MakeAction(QStringLiteral("Save"), tr("&Save"), QStringLiteral("save"),
                               QKeySequence(Qt::CTRL | Qt::Key_S));
    save->setStatusTip(tr("Save the active profile"));
    QAction* saveAs = MakeAction(QStringLiteral("SaveAs"), tr("Save &As..."), QString());
    saveAs->setStatusTip(tr("Save the active profile under a new name"));
    QAction* exit = MakeAction(QStringLiteral("Exit"), tr("E&xit"), QString());
    exit->setStatusTip(tr("Quit the application; asks to save the profiles"));

    QAction* add = MakeAction(QStringLiteral("Add"), tr("&Add"), QStringLiteral("add"),
                              QKeySequence(Qt::CTRL | Qt::Key_A), 32771);
    QAction* cut = MakeAction(QStringLiteral("Cut"), tr("Cu&t"), QStringLiteral("cut"),
                              QKeySequence(Qt::CTRL | Qt::Key_X));
    QAction* copy = MakeAction(QStringLiteral("Copy"), tr("&Copy"), QStringLiteral("copy"),
                               QKeySequence(Qt::CTRL | Qt::Key_C));
    QAction* paste = MakeAction(QStringLiteral("Paste"), tr("&Paste"), QStringLiteral("paste"),
                                QKeySequence(Qt::CTRL | Qt::Key_V));
    QAction* del = MakeAction(QStringLiteral("Delete"), tr("&Delete"), QStringLiteral("delete"),
                              QKeySequence(Qt::Key_Delete), 32772);
    QAction* rename = MakeAction(QStringLiteral("Rename"), tr("&Rename"), QStringLiteral("rename"),
                                 QKeySequence(Qt::Key_F2), 32773);
    QAction* dealer = MakeAction(QStringLiteral("DealerInfo"), tr("D&ealer Info..."),
                                 QStringLiteral("dealer"), {}, 32774);
    QAction* preference = MakeAction(QStringLiteral("Preference"), tr("P&reference..."),
                                     QStringLiteral("preference"), {}, 32775);
    cut->setStatusTip(tr("Cut the selection to the clipboard"));
    copy->setStatusTip(tr("Copy the selection to the clipboard"));
    paste->setStatusTip(tr("Insert the clipboard's text"));
    add->setToolTip(Text(146));
    del->setToolTip(Text(147));
    cut->setToolTip(Text(148));
    copy->setToolTip(Text(149));
    paste->setToolTip(Text(150));

    QAction* toolbar = MakeAction(QStringLiteral("Toolbar"), tr("&Toolbar"), QString());
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction* statusBarAction =
        MakeAction(QStringLiteral("StatusBar"), tr("&Status Bar"), QString());
    statusBarAction->setCheckable(true);
    statusBarAction->setChecked(true);

    QAction* read = MakeAction(QStringLiteral("Read"), tr("&Read"), QStringLiteral("read"),
                               QKeySequence(Qt::CTRL | Qt::Key_R), 32776);
    QAction* write = MakeAction(QStringLiteral("Write"), tr("&Write"), QStringLiteral("write"),
                                QKeySequence(Qt::CTRL | Qt::Key_W), 32777);
    QAction* reset = MakeAction(QStringLiteral("Reset"), tr("R&eset"), QStringLiteral("reset"),
                                QKeySequence(Qt::CTRL | Qt::Key_E), 32778);
    QAction* report =
        MakeAction(QStringLiteral("Report"), tr("Re&port..."), QStringLiteral("report"), {}, 32779);

    QAction* cascade = MakeAction(QStringLiteral("Cascade"), tr("&Cascade"), QString());
    QAction* tile = MakeAction(QStringLiteral("Tile"), tr("&Tile"), QString());
    QAction* help = MakeAction(QStringLiteral("Help"), tr("&Content and Index..."),
                               QStringLiteral("help"), QKeySequence(Qt::Key_F1), 32780);
    QAction* about = MakeAction(QStringLiteral("About"), Text(204) + QStringLiteral("..."),
                                QStringLiteral("about"));
    about->setText(tr("&About VEX480 PRG..."));
    about->setStatusTip(tr("Program information and version"));

    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_fileMenu->addActions({newFile, open, close, save, saveAs});
    m_fileMenu->addSeparator();
    m_recentMenu = m_fileMenu;
    m_recentSeparator = m_fileMenu->addSeparator();
    m_fileMenu->addAction(exit);

    m_undoGroup = new QUndoGroup(this);
    QAction* undo = m_undoGroup->createUndoAction(this, tr("&Undo"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->setStatusTip(tr("Take back the last change of the profile"));
    m_actions.insert(QStringLiteral("Undo"), undo);
    QAction* redo = m_undoGroup->createRedoAction(this, tr("&Redo"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    redo->setStatusTip(tr("Make the change taken back again"));
    m_actions.insert(QStringLiteral("Redo"), redo);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addActions({undo, redo});
    edit->addSeparator();
    edit->addActions({add, cut, copy, paste, del, rename});
    edit->addSeparator();
    edit->addActions({dealer, preference});

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addActions({toolbar, statusBarAction});

    QMenu* device = menuBar()->addMenu(tr("&Device"));
    device->addActions({read, write, reset});
    device->addSeparator();
    device->addAction(report);

    m_windowMenu = menuBar()->addMenu(tr("&Window"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowMenu);
    UpdateWindowMenu();

    QMenu* helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->addActions({help, about});

    connect(newFile, &QAction::triggered, this, &CMainFrame::OnFileNew);
    connect(open, &QAction::triggered, this, &CMainFrame::OnFileOpen);
    connect(close, &QAction::triggered, this, [this] {
        if (CChildFrame* child = ActiveChild()) child->close();
    });
    connect(save, &QAction::triggered, this, &CMainFrame::OnSave);
    connect(saveAs, &QAction::triggered, this, &CMainFrame::OnSaveAs);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(add, &QAction::triggered, this, &CMainFrame::OnAdd);
    connect(cut, &QAction::triggered, this, &CMainFrame::OnCut);
    connect(copy, &QAction::triggered, this, &CMainFrame::OnCopy);
    connect(paste, &QAction::triggered, this, &CMainFrame::OnPaste);
    connect(del, &QAction::triggered, this, &CMainFrame::OnDelete);
    connect(rename, &QAction::triggered, this, &CMainFrame::OnRename);
    connect(dealer, &QAction::triggered, this, &CMainFrame::OnDealerInfo);
    connect(preference, &QAction::triggered, this, &CMainFrame::OnPreference);
    connect(statusBarAction, &QAction::toggled, statusBar(), &QWidget::setVisible);
    connect(cascade, &QAction::triggered, m_mdi, &QMdiArea::cascadeSubWindows);
    connect(tile, &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);
    connect(read, &QAction::triggered, this, &CMainFrame::OnRead);
    connect(write, &QAction::triggered, this, &CMainFrame::OnWrite);
    connect(reset, &QAction::triggered, this, &CMainFrame::OnReset);
    connect(report, &QAction::triggered, this, &CMainFrame::OnReport);
    connect(help, &QAction::triggered, this, &CMainFrame::OnHelp);
    connect(about, &QAction::triggered, this, &CMainFrame::OnAbout);
}

void CMainFrame::CreateToolBar() {
    m_toolBar = new QToolBar(tr("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setMovable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    // The buttons and their texts (New ... About); commands of a profile window stay on the
    // toolbar (disabled) when their menu entries are hidden, so the toolbar has copies of them.
    const QList<std::pair<QString, int>> buttons = {{QStringLiteral("New"), 143},
                                                    {QStringLiteral("Open"), 144},
                                                    {QStringLiteral("Save"), 145},
                                                    {QString(), 0},
                                                    {QStringLiteral("Add"), 146},
                                                    {QStringLiteral("Delete"), 147},
                                                    {QString(), 0},
                                                    {QStringLiteral("Cut"), 148},
                                                    {QStringLiteral("Copy"), 149},
                                                    {QStringLiteral("Paste"), 150},
                                                    {QString(), 0},
                                                    {QStringLiteral("Read"), 151},
                                                    {QStringLiteral("Write"), 152},
                                                    {QString(), 0},
                                                    {QStringLiteral("Report"), 153},
                                                    {QStringLiteral("About"), 154}};
    for (const auto& [name, textId] : buttons) {
        if (name.isEmpty()) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* command = Command(name);
        auto* button = new QAction(command->icon(), Text(textId), this);
        button->setObjectName(QStringLiteral("toolbar") + name);
        button->setStatusTip(command->statusTip());
        button->setToolTip(command->statusTip().isEmpty() ? Text(textId) : command->statusTip());
        connect(button, &QAction::triggered, command, &QAction::trigger);
        m_toolbarCopies.insert(command, button);
        m_toolBar->addAction(button);
    }
    connect(Command(QStringLiteral("Toolbar")), &QAction::toggled, m_toolBar, &QWidget::setVisible);
    connect(m_toolBar, &QToolBar::visibilityChanged, Command(QStringLiteral("Toolbar")),
            &QAction::setChecked);
}

CChildFrame* CMainFrame::ActiveChild() const {
    return qobject_cast<CChildFrame*>(m_mdi->activeSubWindow());
}

QList<CChildFrame*> CMainFrame::Children() const {
    QList<CChildFrame*> children;
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (auto* child = qobject_cast<CChildFrame*>(window)) children.append(child);
    }
    return children;
}

void CMainFrame::SetTransferStatus(const QString& text) {
    m_transferPane->setText(text);
}

QString CMainFrame::TransferStatus() const {
    return m_transferPane->text();
}

CChildFrame* CMainFrame::AddChild(std::unique_ptr<CVEXPRGDoc> document) {
    auto* child = new CChildFrame(std::move(document));
    m_undoGroup->addStack(child->Document()->UndoStack());
    m_mdi->addSubWindow(child);
    connect(child->Tree(), &CVEXPRGTreeView::CommandStateChanged, this,
            &CMainFrame::UpdateCommandUI);
    connect(child, &CChildFrame::Saved, this, &CMainFrame::AddRecentFile);
    connect(
        child, &QObject::destroyed, this, [this] { UpdateCommandUI(); }, Qt::QueuedConnection);
    child->showMaximized();
    m_mdi->setActiveSubWindow(child);
    OnSubWindowActivated();
    return child;
}

CChildFrame* CMainFrame::OpenDocumentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (CChildFrame* child : Children()) {
        if (child->Document()->PathName() == absolute) {
            m_mdi->setActiveSubWindow(child);
            return child;
        }
    }
    auto document = std::make_unique<CVEXPRGDoc>(TemplateFolder());
    try {
        document->Open(absolute);
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
        if (!QFileInfo::exists(absolute)) RemoveRecentFile(absolute);
        return nullptr;
    }
    AddRecentFile(absolute);
    return AddChild(std::move(document));
}

CChildFrame* CMainFrame::NewFromTemplate(const QString& templatePath) {
    auto document = std::make_unique<CVEXPRGDoc>(TemplateFolder());
    try {
        document->NewFromTemplate(templatePath);
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
        return nullptr;
    }
    return AddChild(std::move(document));
}

void CMainFrame::OnFileNew() {
    CNewProfileDlg dialog(TemplateFolder(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    m_strNewTemplatePath = CNewProfileDlg::GetTemplatePath();
    NewFromTemplate(m_strNewTemplatePath);
}

void CMainFrame::OnFileOpen() {
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, tr("Open"), QString(), QStringLiteral("VEX480 PRG Files (*.lam);;All Files (*)"));
    for (const QString& path : paths) OpenDocumentFile(path);
}

void CMainFrame::OnSave() {
    if (CChildFrame* child = ActiveChild()) child->Save();
}

void CMainFrame::OnSaveAs() {
    if (CChildFrame* child = ActiveChild()) child->SaveAs();
}

void CMainFrame::OnSubWindowActivated() {
    CChildFrame* active = ActiveChild();
    const bool profile = active != nullptr;
    m_undoGroup->setActiveStack(profile ? active->Document()->UndoStack() : nullptr);
    // The menus of a profile window add these commands; the toolbar keeps them, disabled.
    for (const char* name : {"Close", "Save", "SaveAs", "Undo", "Redo", "Add", "Cut", "Copy",
                             "Paste", "Delete", "Rename", "Write", "Report"}) {
        Command(QLatin1String(name))->setVisible(profile);
    }
    m_windowMenu->menuAction()->setVisible(profile);
    UpdateCommandUI();
}

void CMainFrame::UpdateCommandUI() {
    CChildFrame* child = ActiveChild();
    const bool profile = child != nullptr;
    const FocusedEdit edit = FindFocusedEdit();
    const bool clipboardText = !QApplication::clipboard()->text().isEmpty();
    const bool writableEdit = edit.IsEdit() && !edit.ReadOnly();

    const auto set = [this](const char* name, bool enabled) {
        QAction* action = Command(QLatin1String(name));
        action->setEnabled(enabled);
        if (QAction* copy = m_toolbarCopies.value(action)) copy->setEnabled(enabled);
    };
    set("Save", profile);
    set("SaveAs", profile);
    set("Close", profile);
    set("Write", profile);
    set("Report", profile);
    set("Copy", edit.IsEdit() && edit.HasSelection());
    set("Cut", writableEdit && edit.HasSelection());
    set("Paste", writableEdit && clipboardText);
    set("Delete", writableEdit ? edit.HasSelection() : (profile && Flags().deleteAllowed));
    set("Add", profile && Flags().addAllowed);
    set("Rename", profile && Flags().renameAllowed);
    set("Cascade", profile);
    set("Tile", profile);
}

void CMainFrame::OnFocusChanged(QWidget*, QWidget* now) {
    if (m_watchedEdit != nullptr) disconnect(m_watchedEdit, nullptr, this, nullptr);
    m_watchedEdit = nullptr;
    if (auto* line = qobject_cast<QLineEdit*>(now)) {
        connect(line, &QLineEdit::selectionChanged, this, &CMainFrame::UpdateCommandUI);
        m_watchedEdit = line;
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(now)) {
        connect(plain, &QPlainTextEdit::selectionChanged, this, &CMainFrame::UpdateCommandUI);
        m_watchedEdit = plain;
    } else if (auto* rich = qobject_cast<QTextEdit*>(now)) {
        connect(rich, &QTextEdit::selectionChanged, this, &CMainFrame::UpdateCommandUI);
        m_watchedEdit = rich;
    }
    UpdateCommandUI();
}

void CMainFrame::OnCopy() {
    const FocusedEdit edit = FindFocusedEdit();
    if (edit.line != nullptr) edit.line->copy();
    if (edit.plain != nullptr) edit.plain->copy();
    if (edit.rich != nullptr) edit.rich->copy();
}

void CMainFrame::OnCut() {
    const FocusedEdit edit = FindFocusedEdit();
    if (edit.ReadOnly()) return;
    if (edit.line != nullptr) edit.line->cut();
    if (edit.plain != nullptr) edit.plain->cut();
    if (edit.rich != nullptr) edit.rich->cut();
}

void CMainFrame::OnPaste() {
    const FocusedEdit edit = FindFocusedEdit();
    if (edit.ReadOnly()) return;
    if (edit.line != nullptr) edit.line->paste();
    if (edit.plain != nullptr) edit.plain->paste();
    if (edit.rich != nullptr) edit.rich->paste();
}

void CMainFrame::OnDelete() {
    const FocusedEdit edit = FindFocusedEdit();
    if (edit.IsEdit() && !edit.ReadOnly()) {
        if (!edit.HasSelection()) return;
        if (edit.line != nullptr) edit.line->del();
        if (edit.plain != nullptr) edit.plain->textCursor().removeSelectedText();
        if (edit.rich != nullptr) edit.rich->textCursor().removeSelectedText();
        return;
    }
    if (CChildFrame* child = ActiveChild(); child != nullptr && Flags().deleteAllowed) {
        child->Tree()->OnDelete();
    }
}

void CMainFrame::OnAdd() {
    if (CChildFrame* child = ActiveChild(); child != nullptr && Flags().addAllowed) {
        child->Tree()->OnAdd();
    }
}

void CMainFrame::OnRename() {
    if (CChildFrame* child = ActiveChild()) child->Tree()->OnRename();
}

bool CMainFrame::CommitBeforeCommand(CChildFrame* child) {
    return child->Tree()->FinishLabelEdit() && child->AskPageToCommit() != 0;
}

void CMainFrame::OnRead() {
    RenewTransferImage();
    CReadWriteDialog dialog(true, m_transferImage, this);
    if (dialog.exec() != QDialog::Accepted) return;
    CChildFrame* child = ActiveChild();
    if (child == nullptr) {
        NewFromTransferImage();
        return;
    }
    const int answer = ShowMessage(this,
                                   tr("Do you want to create a new profile(Yes), overwrite the "
                                      "currently selected profile(No) or cancel it?"),
                                   mb::kYesNoCancel | mb::kIconQuestion);
    if (answer == mb::kIdYes) {
        NewFromTransferImage();
    } else if (answer == mb::kIdNo) {
        OverwriteWithTransferImage(child);
    }
}

CChildFrame* CMainFrame::NewFromTransferImage() {
    auto document = std::make_unique<CVEXPRGDoc>(TemplateFolder());
    Flags().radioRead = true;
    try {
        document->NewFromImage(m_transferImage);
    } catch (const CVEXPRGException& error) {
        Flags().radioRead = false;
        ShowException(this, error);
        return nullptr;
    }
    Flags().radioRead = false;
    return AddChild(std::move(document));
}

void CMainFrame::OverwriteWithTransferImage(CChildFrame* child) {
    // The page that loses its profile must not check its fields against the new one.
    Flags().suppressValidation = true;
    try {
        if (child->Document()->SetVirtualCPData(m_transferImage)) child->Rebuild();
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
    }
    Flags().suppressValidation = false;
    UpdateCommandUI();
}

void CMainFrame::OnWrite() {
    CChildFrame* child = ActiveChild();
    if (child == nullptr || !CommitBeforeCommand(child)) return;
    RenewTransferImage();
    ProfileDocument& profile = child->Document()->Profile();
    VirtualCP wanted;
    try {
        profile.GetVirtualCPData(m_transferImage);
        if (profile.UsePCClock()) m_transferImage.m_settings.current_time = RadioClockNow();
        wanted = WithProfileTexts(m_transferImage, profile.ProfileText());
    } catch (const CVEXPRGException& error) {
        ShowException(this, error);
        return;
    }
    CReadWriteDialog dialog(false, m_transferImage, this);
    dialog.SetCheckImage(wanted);
    dialog.exec();
}

void CMainFrame::OnReset() {
    if (!EnsurePortChosen(this)) return;
    auto job = std::make_unique<ResetJob>();
    ResetJob* raw = job.get();
    job->engine = MakeTransferEngine(job->openFailure);
    job->observer = std::make_unique<CGuiTransferObserver>(
        this, [this, raw](TransferEvent event, std::int32_t value) {
            OnResetMessage(raw, static_cast<int>(event), value);
        });
    job->engine->SetObserver(job->observer.get());
    job->engine->ClearCancel();
    job->thread = std::thread([this, raw, port = CurrentPortName()] {
        raw->engine->ResetOperation(port);
        QMetaObject::invokeMethod(
            this, [this, raw] { FinishReset(raw); }, Qt::QueuedConnection);
    });
    m_resets.push_back(std::move(job));
    SetTransferStatus(tr("Transferring"));
}

void CMainFrame::OnResetMessage(ResetJob* job, int event, int value) {
    if (event == static_cast<int>(TransferEvent::Succeeded)) {
        statusBar()->showMessage(tr("The radio has been reset."), 15000);
    } else if (event == static_cast<int>(TransferEvent::Failed)) {
        statusBar()->showMessage(tr("The radio could not be reset."), 15000);
        ShowMessage(this, LinkFailureText(ToLinkStatus(value), false, *job->openFailure),
                    mb::kOk | mb::kIconError);
    }
}

void CMainFrame::FinishReset(ResetJob* job) {
    const auto found = std::find_if(m_resets.begin(), m_resets.end(),
                                    [job](const auto& entry) { return entry.get() == job; });
    if (found == m_resets.end()) return;
    (*found)->thread.join();
    m_resets.erase(found);
    if (m_resets.empty()) SetTransferStatus(tr("Idle"));
}

void CMainFrame::OnReport() {
    CChildFrame* child = ActiveChild();
    if (child == nullptr || !CommitBeforeCommand(child)) return;
    CReportOptionDlg chooser(child->Document()->Root(), this);
    if (chooser.exec() != QDialog::Accepted) return;
    ShowReport(this, chooser.SelectedReport(), child->Document()->Root(), m_strInstallPath);
}

void CMainFrame::OnHelp() {
    const std::string fileName = GetHelpFileName();
    if (fileName.empty()) {
        ShowMessage(this, tr("Error: Can not find help file information in registry!"),
                    mb::kOk | mb::kIconError);
        return;
    }
    const QString path = QDir(m_strInstallPath).filePath(Qs(fileName));
    if (!QFileInfo(path).isFile()) {
        ShowMessage(this, tr("Error: Can not find the help file!"), mb::kOk | mb::kIconError);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        ShowMessage(this, tr("Error: Help File format is invalid!"), mb::kOk | mb::kIconError);
    }
}

void CMainFrame::OnDealerInfo() {
    CDealerInfoDialog dialog(this);
    if (dialog.LoadDealerInfo()) dialog.exec();
}

void CMainFrame::OnPreference() {
    CPreferenceDialog dialog(ListSerialPorts(), this);
    dialog.exec();
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

QStringList CMainFrame::RecentFiles() const {
    return UserSettings().value(kRecentKey).toStringList();
}

void CMainFrame::AddRecentFile(const QString& path) {
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kMaxRecentFiles) files.removeLast();
    UserSettings().setValue(kRecentKey, files);
    UpdateRecentMenu();
}

void CMainFrame::RemoveRecentFile(const QString& path) {
    QStringList files = RecentFiles();
    files.removeAll(path);
    UserSettings().setValue(kRecentKey, files);
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu() {
    for (QAction* action : m_fileMenu->actions()) {
        if (action->property("recentFile").isValid()) {
            m_fileMenu->removeAction(action);
            action->deleteLater();
        }
    }
    const QStringList files = RecentFiles();
    int number = 0;
    for (const QString& file : files) {
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(++number).arg(QDir::toNativeSeparators(file)), m_fileMenu);
        action->setProperty("recentFile", file);
        action->setStatusTip(tr("Open this profile"));
        connect(action, &QAction::triggered, this, [this, file] { OpenDocumentFile(file); });
        m_fileMenu->insertAction(m_recentSeparator, action);
    }
    m_recentSeparator->setVisible(!files.isEmpty());
}

void CMainFrame::UpdateWindowMenu() {
    m_windowMenu->clear();
    m_windowMenu->addAction(Command(QStringLiteral("Cascade")));
    m_windowMenu->addAction(Command(QStringLiteral("Tile")));
    const QList<CChildFrame*> children = Children();
    if (!children.isEmpty()) m_windowMenu->addSeparator();
    int number = 0;
    for (CChildFrame* child : children) {
        QAction* action = m_windowMenu->addAction(
            QStringLiteral("&%1 %2").arg(++number).arg(child->Document()->Title()));
        action->setCheckable(true);
        action->setChecked(child == ActiveChild());
        connect(action, &QAction::triggered, this,
                [this, child] { m_mdi->setActiveSubWindow(child); });
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    for (CChildFrame* child : Children()) {
        if (!child->Document()->IsModified()) continue;
        m_mdi->setActiveSubWindow(child);
        if (!child->SaveModified()) {
            event->ignore();
            return;
        }
    }
    for (CChildFrame* child : Children()) child->CloseWithoutSaving();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) OpenDocumentFile(url.toLocalFile());
    }
    event->acceptProposedAction();
}

}  // namespace vex::gui

#pragma once

// CMainFrame: the application's main window. It holds the profile windows (an MDI area), the
// menus, the toolbar and the status bar; it runs the commands that are not a single profile
// window's business (new and open, radio operations, reports, help, dealer information,
// preference, the clipboard commands of the focused edit field) and decides which commands are
// enabled.

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <list>
#include <memory>

#include "codeplug/virtual_cp.h"

class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
class QUndoGroup;

namespace vex::gui {

class CChildFrame;
class CVEXPRGDoc;

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    // `installPath`: the data folder (model template, report templates, help book).
    explicit CMainFrame(const QString& installPath, QWidget* parent = nullptr);
    ~CMainFrame() override;

    QString InstallPath() const { return m_strInstallPath; }
    QString TemplateFolder() const;

    QMdiArea* MdiArea() const noexcept { return m_mdi; }
    CChildFrame* ActiveChild() const;
    QList<CChildFrame*> Children() const;

    // Opens a profile file in a new window (or activates the window that has it open already).
    // A failure is shown; nullptr then.
    CChildFrame* OpenDocumentFile(const QString& path);
    // A new profile from a model template file; nullptr (after a message) when it does not load.
    CChildFrame* NewFromTemplate(const QString& templatePath);
    // A window for a document that holds a profile.
    CChildFrame* AddChild(std::unique_ptr<CVEXPRGDoc> document);

    // The transfer state shown in the status bar ("Idle", "Transferring").
    void SetTransferStatus(const QString& text);
    QString TransferStatus() const;

    // The command of an id: "New", "Open", "Close", "Save", "SaveAs", "Exit", "Add", "Cut",
    // "Copy", "Paste", "Delete", "Rename", "DealerInfo", "Preference", "Toolbar", "StatusBar",
    // "Read", "Write", "Reset", "Report", "Cascade", "Tile", "Help", "About".
    QAction* Command(const QString& name) const;
    // Sets every command's enabled state from the present focus, selection and window.
    void UpdateCommandUI();

    QStringList RecentFiles() const;

    // The image that a radio read fills and a radio write sends; renewed before each of them.
    VirtualCP& GetTransferImage() noexcept { return m_transferImage; }
    void RenewTransferImage() { m_transferImage = VirtualCP(); }
    // True while a reset started from this window runs.
    bool ResetRunning() const noexcept { return !m_resets.empty(); }

  public slots:
    void OnFileNew();
    void OnFileOpen();
    void OnHelp();
    void OnDealerInfo();
    void OnPreference();
    void OnAbout();
    // The radio commands.
    void OnRead();
    void OnWrite();
    void OnReset();
    void OnReport();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    struct ResetJob;

    // A new profile window from the transfer image; nullptr (after a message) when it fails.
    CChildFrame* NewFromTransferImage();
    // Replaces the active profile by the transfer image.
    void OverwriteWithTransferImage(CChildFrame* child);
    // The shown page's commit check and a finished label edit; false when the command must stop.
    static bool CommitBeforeCommand(CChildFrame* child);
    void OnResetMessage(ResetJob* job, int event, int value);
    void FinishReset(ResetJob* job);

    QAction* MakeAction(const QString& name, const QString& text, const QString& icon,
                        const QKeySequence& shortcut = {}, int promptId = 0);
    void CreateMenus();
    void CreateToolBar();
    void OnFocusChanged(QWidget* old, QWidget* now);
    void OnSubWindowActivated();
    void UpdateWindowMenu();
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);
    void UpdateRecentMenu();
    // The clipboard commands of the focused edit field.
    void OnCopy();
    void OnCut();
    void OnPaste();
    void OnDelete();
    void OnAdd();
    void OnRename();
    void OnSave();
    void OnSaveAs();

    QString m_strInstallPath;
    QMdiArea* m_mdi;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_transferPane = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    QUndoGroup* m_undoGroup = nullptr;
    QHash<QString, QAction*> m_actions;
    QHash<QAction*, QAction*> m_toolbarCopies;  // profile-window commands on the toolbar
    QPointer<QWidget> m_watchedEdit;
    QString m_strNewTemplatePath;
    VirtualCP m_transferImage;
    std::list<std::unique_ptr<ResetJob>> m_resets;
};

}  // namespace vex::gui

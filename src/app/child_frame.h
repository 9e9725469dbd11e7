#pragma once

// CChildFrame: the window of one open profile inside the main window: the navigation tree on the
// left and the editor page of the selected node on the right, in a splitter whose position is
// remembered. It owns the profile's document, guards its saves with the page's commit check and
// asks the save-changes question before it closes.

#include <QMdiSubWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>

class QSplitter;

namespace vex::gui {

class CBaseView;
class CVEXPRGDoc;
class CVEXPRGTreeView;

// Asks for the path to save a profile to (the suggested name given); empty when cancelled. The
// program uses a file dialog; tests set their own.
using SavePathAsker = std::function<QString(QWidget* parent, const QString& suggestion)>;
void SetSavePathAsker(SavePathAsker asker);

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT

  public:
    // Takes the document, which must hold a profile, and builds the tree and the first page.
    explicit CChildFrame(std::unique_ptr<CVEXPRGDoc> document, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CVEXPRGDoc* Document() const noexcept { return m_document.get(); }
    CVEXPRGTreeView* Tree() const noexcept { return m_tree; }
    // The page shown on the right; null while none is.
    CBaseView* CurrentPage() const;

    // The shown page's commit check (ValidateData); 1 without a page.
    int AskPageToCommit();

    // File Save: Save As for a profile without a file. True when saved.
    bool Save();
    // Saves to `path`, or to a path asked for when it is empty. True when saved.
    bool SaveAs(const QString& path = {});
    // The save-changes question of a modified profile; true when the window may close.
    bool SaveModified();

    // Shows the page of a tree node (its item data).
    void ShowPage(std::uint32_t nodeData);
    // Puts `page` (a page of this frame's document) in the right pane in place of the shown one.
    void InstallPage(CBaseView* page);
    // The tree and the page anew, after the profile was replaced.
    void Rebuild();
    // The same, keeping the selected node when the new profile still has it (after Undo, Redo).
    void RebuildKeepingSelection();

    // Closes the window without the save-changes question.
    void CloseWithoutSaving();

  signals:
    // The profile was saved to this file.
    void Saved(const QString& path);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    bool SaveTo(const QString& path);
    void UpdateTitle();

    std::unique_ptr<CVEXPRGDoc> m_document;
    QSplitter* m_splitter;
    CVEXPRGTreeView* m_tree;
    QPointer<CBaseView> m_page;
    bool m_bForceClose = false;
};

}  // namespace vex::gui

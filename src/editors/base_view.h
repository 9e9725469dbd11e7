#pragma once

// CBaseView: the base of every editor page in the right pane of a profile window.
//
// A page is a form (a .ui file whose controls sit at fixed places, as designed) inside a scroll
// area. The base gives every page the same look: a white page whose title and section headings are
// bands of RGB(192, 192, 255) with white bold text; it centres the form in the pane when the pane
// is resized (Rearrange); and it keeps the small protocol with the navigation tree: the tree asks
// ValidateData before it leaves the page, and the page sends the tree update hints through its
// document.
//
// Controls are found by their numeric ids (gui::FindControl); the layout table lists the ids of
// the title (kind 2), the section headings (kind 1) and the ordinary controls (kind 0) that
// Rearrange moves. The first entry is always the title.

#include <QScrollArea>
#include <cstdint>
#include <vector>

#include "model/data_item.h"

class QLabel;

namespace vex::gui {

class CVEXPRGDoc;

// Update hints from a page to the navigation tree: action | kind << 8 | index << 16.
namespace hint {
inline constexpr int kAdd = 1;
inline constexpr int kDelete = 2;
inline constexpr int kRefresh = 3;
}  // namespace hint

constexpr std::uint32_t MakeHint(int action, int kind, int index) {
    return static_cast<std::uint32_t>(action & 0xFF) |
           (static_cast<std::uint32_t>(kind & 0xFF) << 8) |
           (static_cast<std::uint32_t>(index & 0xFFFF) << 16);
}

enum class LayoutKind { Control = 0, Section = 1, Title = 2 };

struct LayoutEntry {
    int controlId;
    LayoutKind kind;
};

class CBaseView : public QScrollArea {
    Q_OBJECT

  public:
    // A page of `document` for the tree node (kind, index).
    CBaseView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);
    ~CBaseView() override;

    // Asked before the tree leaves the page: 1 may leave, 0 stay, -1 the edited item was deleted.
    virtual int ValidateData() { return 1; }
    // Focuses the page's first edit field and selects its text.
    virtual void FocusFirstField() {}
    // Fills the controls from the profile; may raise CVEXPRGException.
    virtual void LoadData() {}
    // Sets the title and label texts.
    virtual void LoadLabels() {}
    // Fonts, then LoadLabels, then LoadData (which sets the loaded flag once it is done).
    virtual void InitControls();

    // InitControls, then one Rearrange for the present width. Called once the page is in its pane.
    void InitialUpdate();

    // Centres the form in a pane `paneWidth` pixels wide: the title spans the pane less 10 pixels
    // on each side, and the other controls move with the title's centre, but never further left
    // than x = 20; what a leftward move holds back is paid back first when the pane widens again.
    // Returns the distance the controls moved (negative: to the left).
    int Rearrange(int paneWidth);
    int PendingShift() const noexcept { return m_pendingShift; }

    // The form that holds the controls.
    QWidget* Form() const noexcept { return m_form; }
    QWidget* Control(int id) const;
    template <typename T>
    T* ControlAs(int id) const {
        return qobject_cast<T*>(Control(id));
    }

    CVEXPRGDoc* Document() const noexcept { return m_document; }
    const CDataItem& Root() const;
    int NodeKind() const noexcept { return m_kind; }
    int NodeIndex() const noexcept { return m_index; }
    bool IsLoaded() const noexcept { return m_bLoaded; }

    // The page is being replaced (or its profile was): from now on it commits nothing. Pages check
    // IsRetired() before they commit a field when it loses the focus.
    void Retire() noexcept { m_bRetired = true; }
    bool IsRetired() const noexcept { return m_bRetired; }

    // Posted requests (delivered after the current event): focus the name field, or the first
    // field.
    void PostFocusName();
    void PostFocusFirstField();

  signals:
    // The page found the profile inconsistent and asks its window to close without saving.
    void CloseRequested();

  protected:
    void SetLayoutTable(std::vector<LayoutEntry> table);
    // Marks the document modified, unless the page is still loading.
    void MarkModified();
    void SetLoaded(bool loaded) noexcept { m_bLoaded = loaded; }
    // Sends the navigation tree a hint through the document.
    void SendHint(int action, int kind, int index);
    // Message 10113, the document unmodified, and a close of the profile window.
    void ProfileDataError();
    // The name field of the page, for PostFocusName; none by default.
    virtual QWidget* NameField() const { return nullptr; }

    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyLook();
    void FitForm();

    CVEXPRGDoc* m_document;
    int m_kind;
    int m_index;
    QWidget* m_form;
    std::vector<LayoutEntry> m_layout;
    int m_pendingShift = 0;
    bool m_bLoaded = false;
    bool m_bInitialised = false;
    bool m_bRetired = false;
};

}  // namespace vex::gui

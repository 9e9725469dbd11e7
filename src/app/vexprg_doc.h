#pragma once

// CVEXPRGDoc: one open profile in the desktop application. It owns the profile (ProfileDocument:
// the data model, files and codeplug images) and tells the windows of its profile about changes:
// the modified flag, the title and the update hints that pages send to the navigation tree.

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <functional>

#include "model/profile_document.h"

namespace vex::gui {

class CVEXPRGDoc : public QObject {
    Q_OBJECT

  public:
    // A document without a profile on the model template in `templateFolder`. Rule-script errors
    // are shown in a message box.
    explicit CVEXPRGDoc(const QString& templateFolder, QObject* parent = nullptr);
    ~CVEXPRGDoc() override;

    ProfileDocument& Profile() noexcept { return m_document; }
    const ProfileDocument& Profile() const noexcept { return m_document; }
    const CDataItem& Root() const noexcept { return m_document.Model().RootItem(); }

    // Each raises CVEXPRGException and leaves the document as it was on failure.
    void Open(const QString& path);
    void NewFromTemplate(const QString& templatePath);
    void NewFromImage(const VirtualCP& image);
    // Replaces the profile by an image read from a radio; the document becomes modified. False
    // when the image gives no profile; raises CVEXPRGException as the profile's load does.
    bool SetVirtualCPData(const VirtualCP& image);
    void Save(const QString& path);

    // The file the profile was opened from or last saved to; empty for a new profile.
    QString PathName() const { return m_strPathName; }

    // The window title: the file's name, else the document's own title (a radio's private ID),
    // else a numbered untitled name ("Profile1").
    QString Title() const;

    bool IsModified() const noexcept { return m_document.IsModified(); }
    void SetModifiedFlag(bool modified = true);

    // Passes an update hint (action | kind << 8 | index << 16) to every window of the document.
    void UpdateAllViews(QObject* sender, std::uint32_t hint);

    // Runs `change` (calls of rule-script hooks through data items) as one step that Undo takes
    // back whole, with whatever the rules changed along with it. A change that leaves the profile
    // as it was records nothing. Returns what `change` returns; exceptions pass through.
    std::int32_t Change(const QString& label, const std::function<std::int32_t()>& change);
    QUndoStack* UndoStack() const noexcept { return m_undo; }

  signals:
    void ModifiedChanged(bool modified);
    void TitleChanged();
    void Updated(QObject* sender, std::uint32_t hint);
    // Undo or Redo replaced the profile: every data item is stale, the windows rebuild.
    void Reloaded();

  private:
    friend class ProfileStep;
    void AfterLoad();
    // Loads the text of an earlier or later step.
    void Restore(const std::string& text);

    ProfileDocument m_document;
    QString m_strPathName;
    QString m_strUntitled;
    QUndoStack* m_undo;
};

}  // namespace vex::gui

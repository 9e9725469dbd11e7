#pragma once

// CVEXPRGDoc: one open profile in the desktop application. It owns the profile (ProfileDocument:
// the data model, files and codeplug images) and tells the windows of its profile about changes:
// the modified flag, the title and the update hints that pages send to the navigation tree.

#include <QObject>
#include <QString>
#include <cstdint>

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

  signals:
    void ModifiedChanged(bool modified);
    void TitleChanged();
    void Updated(QObject* sender, std::uint32_t hint);

  private:
    void AfterLoad();

    ProfileDocument m_document;
    QString m_strPathName;
    QString m_strUntitled;
};

}  // namespace vex::gui

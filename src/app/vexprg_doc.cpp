#include "app/vexprg_doc.h"

#include <QApplication>
#include <QFileInfo>
#include <QUndoCommand>
#include <QUndoStack>

#include "app/gui_support.h"
#include "common/exception.h"

namespace vex::gui {

namespace {

int g_untitledCount = 0;

}  // namespace

// One undoable change: the profile text before and after it. Profiles are small (tens of KB), so
// keeping both texts is cheaper and surer than reversing what the rules did.
class ProfileStep : public QUndoCommand {
  public:
    ProfileStep(CVEXPRGDoc* document, const QString& label, std::string before, std::string after)
        : QUndoCommand(label),
          m_document(document),
          m_before(std::move(before)),
          m_after(std::move(after)) {}

    void undo() override { m_document->Restore(m_before); }
    void redo() override {
        // The change itself was made before the step was recorded.
        if (m_bDone) m_document->Restore(m_after);
        m_bDone = true;
    }

  private:
    CVEXPRGDoc* m_document;
    std::string m_before;
    std::string m_after;
    bool m_bDone = false;
};

CVEXPRGDoc::CVEXPRGDoc(const QString& templateFolder, QObject* parent)
    : QObject(parent),
      m_document(Std(templateFolder),
                 [](const std::string& text) {
                     ShowMessage(QApplication::activeWindow(), Qs(text), mb::kOk | mb::kIconError);
                 }),
      m_undo(new QUndoStack(this)) {}

CVEXPRGDoc::~CVEXPRGDoc() = default;

void CVEXPRGDoc::Open(const QString& path) {
    m_document.Open(Std(path));
    m_strPathName = QFileInfo(path).absoluteFilePath();
    AfterLoad();
}

void CVEXPRGDoc::NewFromTemplate(const QString& templatePath) {
    m_document.NewFromTemplate(Std(templatePath));
    m_strPathName.clear();
    AfterLoad();
}

void CVEXPRGDoc::NewFromImage(const VirtualCP& image) {
    m_document.NewFromImage(image);
    m_strPathName.clear();
    AfterLoad();
}

bool CVEXPRGDoc::SetVirtualCPData(const VirtualCP& image) {
    if (!m_document.SetVirtualCPData(image)) return false;
    emit ModifiedChanged(true);
    return true;
}

void CVEXPRGDoc::Save(const QString& path) {
    m_document.Save(Std(path));
    m_strPathName = QFileInfo(path).absoluteFilePath();
    emit TitleChanged();
    emit ModifiedChanged(false);
}

std::int32_t CVEXPRGDoc::Change(const QString& label, const std::function<std::int32_t()>& change) {
    std::string before = m_document.Model().Serialise();
    const std::int32_t result = change();
    std::string after = m_document.Model().Serialise();
    if (after != before)
        m_undo->push(new ProfileStep(this, label, std::move(before), std::move(after)));
    return result;
}

void CVEXPRGDoc::Restore(const std::string& text) {
    try {
        m_document.Model().LoadProfile(text, false);
    } catch (const CVEXPRGException& error) {
        ShowException(QApplication::activeWindow(), error);
        return;
    }
    SetModifiedFlag(true);
    emit Reloaded();
}

void CVEXPRGDoc::AfterLoad() {
    m_undo->clear();
    if (m_strPathName.isEmpty() && m_document.Title().empty() && m_strUntitled.isEmpty()) {
        m_strUntitled = QStringLiteral("Profile%1").arg(++g_untitledCount);
    }
    emit TitleChanged();
    emit ModifiedChanged(IsModified());
}

QString CVEXPRGDoc::Title() const {
    if (!m_strPathName.isEmpty()) return QFileInfo(m_strPathName).fileName();
    if (!m_document.Title().empty()) return Qs(m_document.Title());
    return m_strUntitled;
}

void CVEXPRGDoc::SetModifiedFlag(bool modified) {
    if (modified == m_document.IsModified()) return;
    m_document.SetModifiedFlag(modified);
    emit ModifiedChanged(modified);
}

void CVEXPRGDoc::UpdateAllViews(QObject* sender, std::uint32_t hint) {
    emit Updated(sender, hint);
}

}  // namespace vex::gui

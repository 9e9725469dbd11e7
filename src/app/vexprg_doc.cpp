#include "app/vexprg_doc.h"

#include <QApplication>
#include <QFileInfo>

#include "app/gui_support.h"

namespace vex::gui {

namespace {

int g_untitledCount = 0;

}  // namespace

CVEXPRGDoc::CVEXPRGDoc(const QString& templateFolder, QObject* parent)
    : QObject(parent), m_document(Std(templateFolder), [](const std::string& text) {
          ShowMessage(QApplication::activeWindow(), Qs(text), mb::kOk | mb::kIconError);
      }) {}

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

void CVEXPRGDoc::Save(const QString& path) {
    m_document.Save(Std(path));
    m_strPathName = QFileInfo(path).absoluteFilePath();
    emit TitleChanged();
    emit ModifiedChanged(false);
}

void CVEXPRGDoc::AfterLoad() {
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

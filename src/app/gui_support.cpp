#include "app/gui_support.h"

#include <QMessageBox>
#include <QWidget>

#include "common/exception.h"
#include "common/strings.h"
#include "settings/settings_store.h"

namespace vex::gui {

namespace {

class QtMessageBoxes : public MessageBoxes {
  public:
    int Show(QWidget* parent, const QString& text, int style, const QString& details) override {
        QMessageBox box(parent);
        box.setWindowTitle(QString::fromLatin1(kAppTitle));
        box.setText(text);
        if (!details.isEmpty()) box.setDetailedText(details);
        switch (style & mb::kIconMask) {
            case mb::kIconError:
                box.setIcon(QMessageBox::Critical);
                break;
            case mb::kIconQuestion:
                box.setIcon(QMessageBox::Question);
                break;
            case mb::kIconWarning:
                box.setIcon(QMessageBox::Warning);
                break;
            case mb::kIconInformation:
                box.setIcon(QMessageBox::Information);
                break;
            default:
                break;
        }
        switch (style & mb::kButtonMask) {
            case mb::kOkCancel:
                box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
                box.setEscapeButton(QMessageBox::Cancel);
                break;
            case mb::kYesNoCancel:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
                box.setEscapeButton(QMessageBox::Cancel);
                break;
            case mb::kYesNo:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                box.setEscapeButton(QMessageBox::No);
                break;
            default:
                box.setStandardButtons(QMessageBox::Ok);
                break;
        }
        switch (box.exec()) {
            case QMessageBox::Yes:
                return mb::kIdYes;
            case QMessageBox::No:
                return mb::kIdNo;
            case QMessageBox::Cancel:
                return mb::kIdCancel;
            default:
                return mb::kIdOk;
        }
    }
};

QtMessageBoxes g_qtBoxes;
MessageBoxes* g_boxes = &g_qtBoxes;
AppFlags g_flags;
std::string g_portOverride;

}  // namespace

QString Text(int id) {
    return Qs(StringText(id));
}

QString Qs(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string Std(const QString& text) {
    return text.toStdString();
}

MessageBoxes& Messages() {
    return *g_boxes;
}

void SetMessages(MessageBoxes* boxes) {
    g_boxes = boxes != nullptr ? boxes : &g_qtBoxes;
}

int ShowMessage(QWidget* parent, const QString& text, int style, const QString& details) {
    return Messages().Show(parent, text, style, details);
}

int ShowMessageId(QWidget* parent, int id, int style) {
    return ShowMessage(parent, Text(id), style);
}

void ShowException(QWidget* parent, const CVEXPRGException& error) {
    QString text = Text(error.MessageId());
    if (text.isEmpty()) text = Text(ids::kUnknownError);
    // The context begins with a line break before its first trace line.
    ShowMessage(parent, text, mb::kOk | mb::kIconError, Qs(error.Context()).trimmed());
}

AppFlags& Flags() {
    return g_flags;
}

std::string CurrentPortName() {
    return g_portOverride.empty() ? GetCurrentComPort() : g_portOverride;
}

void SetPortOverride(const std::string& port) {
    g_portOverride = port;
}

QWidget* FindControl(const QWidget* form, int id) {
    if (form == nullptr) return nullptr;
    const QString suffix = QStringLiteral("_%1").arg(id);
    for (QWidget* child : form->findChildren<QWidget*>()) {
        if (child->objectName().endsWith(suffix)) return child;
    }
    return nullptr;
}

}  // namespace vex::gui

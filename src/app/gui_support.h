#pragma once

// What every window of the desktop application shares: the string table as Qt text, the one seam
// through which every message box and question goes, the display of a caught CVEXPRGException,
// the process-wide command flags, and the lookup of a form's control by its numeric id.

#include <QString>
#include <string>
#include <string_view>

class QWidget;

namespace vex {
class CVEXPRGException;
}

namespace vex::gui {

// Message-box styles and answers keep the numbers that the rule script returns.
namespace mb {
inline constexpr int kOk = 0x00;
inline constexpr int kOkCancel = 0x01;
inline constexpr int kYesNoCancel = 0x03;
inline constexpr int kYesNo = 0x04;
inline constexpr int kButtonMask = 0x0F;
inline constexpr int kIconError = 0x10;
inline constexpr int kIconQuestion = 0x20;
inline constexpr int kIconWarning = 0x30;
inline constexpr int kIconInformation = 0x40;
inline constexpr int kIconMask = 0xF0;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

// The application's title: message boxes and the main window carry it.
inline constexpr char kAppTitle[] = "VEX480 PRG";

// The text of a string-table id.
QString Text(int id);
QString Qs(std::string_view utf8);
std::string Std(const QString& text);

// Shows a message and returns the answer (mb::kIdOk ...). The program uses QMessageBox; tests
// install their own, which records the texts and answers from a script.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual int Show(QWidget* parent, const QString& text, int style, const QString& details) = 0;
};

MessageBoxes& Messages();
// nullptr puts the QMessageBox implementation back.
void SetMessages(MessageBoxes* boxes);

int ShowMessage(QWidget* parent, const QString& text, int style = mb::kOk,
                const QString& details = {});
int ShowMessageId(QWidget* parent, int id, int style = mb::kOk);
// The text of the exception's message id in the box; its context lines in the box's details.
void ShowException(QWidget* parent, const CVEXPRGException& error);

// Process-wide flags that the navigation tree, the main frame and the pages share.
struct AppFlags {
    bool addAllowed = false;
    bool deleteAllowed = false;
    bool renameAllowed = false;
    // Set by the main frame while it makes a new profile from the image it read from a radio.
    bool radioRead = false;
    // Set while a profile is overwritten or a node deleted: pages then skip their field checks.
    bool suppressValidation = false;
};
AppFlags& Flags();

// The port that radio operations use: the one given on the command line for this run, else the
// stored CurrentComPort.
std::string CurrentPortName();
// Empty: none (the stored port is used).
void SetPortOverride(const std::string& port);

// The control of a form whose object name ends in "_<id>" (the numeric control ids stay in the
// object names of the .ui forms); nullptr when there is none.
QWidget* FindControl(const QWidget* form, int id);

template <typename T>
T* Control(const QWidget* form, int id) {
    return qobject_cast<T*>(FindControl(form, id));
}

}  // namespace vex::gui

#pragma once

// The start-up of the desktop application: the settings check, the command line, the splash, the
// main window and the profiles named on the command line.

#include <QString>
#include <QStringList>

class QWidget;

namespace vex::gui {

class CMainFrame;

// The clone compatibility version the program supports: a radio must report it.
inline constexpr int kSupportedCompatibilityVersion = 10;

struct StartupOptions {
    QStringList profiles;  // .lam files to open
    bool splash = true;
    QString port;                // the port for this run; empty: the stored one
    bool quitWhenShown = false;  // for start-up measurements: quit once the window is shown
};

// Parses the program's arguments (QCoreApplication::arguments()). On a usage error or --help /
// --version the parser prints and the program must exit with `exitCode`.
bool ParseCommandLine(const QStringList& arguments, StartupOptions& options, int& exitCode);

// The data folder: model template, report templates, help book.
QString FindInstallPath();

// When no installation settings file is found in any system configuration folder, the defaults
// that the data folder ships take its place (so that a first start works without installing).
void UseShippedDefaultsWhenNotInstalled(const QString& installPath);

// The settings check and seeding of the start-up. False (after message 10115) when the program
// must end.
bool CheckSettingsAtStartup(QWidget* parent);

// The whole start-up on an existing QApplication; the main window, or nullptr when start-up ends.
CMainFrame* InitInstance(const StartupOptions& options);

}  // namespace vex::gui

#include "app/vexprg_app.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <cstdio>

#include "app/dialogs.h"
#include "app/gui_support.h"
#include "app/main_frame.h"
#include "settings/settings_store.h"

#ifndef VEX_SOURCE_DATA_DIR
#define VEX_SOURCE_DATA_DIR ""
#endif

namespace vex::gui {

namespace {

constexpr char kSettingsFile[] = "Kestrion/VEX480 PRG.ini";

}  // namespace

bool ParseCommandLine(const QStringList& arguments, StartupOptions& options, int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("VEX480 PRG: edit VEX480 radio profiles, read and write radios."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("profile"),
                                 QStringLiteral("A .lam profile to open."),
                                 QStringLiteral("[profile.lam...]"));
    const QCommandLineOption noSplash(QStringLiteral("no-splash"),
                                      QStringLiteral("Start without the splash picture."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Talk to the radio on DEV for this run (the stored port is kept)."),
        QStringLiteral("DEV"));
    QCommandLineOption quit(
        QStringLiteral("quit-when-shown"),
        QStringLiteral("Quit as soon as the main window is shown (start-up measurements)."));
    quit.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({noSplash, port, quit});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "vexprg: %s\nTry 'vexprg --help'.\n", qPrintable(parser.errorText()));
        exitCode = 2;
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        exitCode = 0;
        return false;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("vexprg %s\n", qPrintable(QCoreApplication::applicationVersion()));
        exitCode = 0;
        return false;
    }
    options.profiles = parser.positionalArguments();
    options.splash = !parser.isSet(noSplash);
    options.port = parser.value(port);
    options.quitWhenShown = parser.isSet(quit);
    return true;
}

QString FindInstallPath() {
    return Qs(GetInstallPath(VEX_SOURCE_DATA_DIR));
}

void UseShippedDefaultsWhenNotInstalled(const QString& installPath) {
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty()) dirs = QStringLiteral("/etc/xdg");
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QFileInfo::exists(QDir(dir).filePath(QString::fromLatin1(kSettingsFile)))) return;
    }
    const QString shipped = QDir(installPath).filePath(QStringLiteral("settings"));
    if (QFileInfo::exists(QDir(shipped).filePath(QString::fromLatin1(kSettingsFile)))) {
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, shipped);
    }
}

bool CheckSettingsAtStartup(QWidget* parent) {
    if (CheckRegistry() != SettingsMessage::None) {
        ShowMessageId(parent, MessageId(SettingsMessage::FatalRegistryError),
                      mb::kOk | mb::kIconError);
        return false;
    }
    return true;
}

CMainFrame* InitInstance(const StartupOptions& options) {
    const QString installPath = FindInstallPath();
    UseShippedDefaultsWhenNotInstalled(installPath);
    if (!CheckSettingsAtStartup(nullptr)) return nullptr;
    if (!options.port.isEmpty()) SetPortOverride(Std(options.port));

    auto* frame = new CMainFrame(installPath);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    // Without a window manager (a bare X server) maximising does nothing: fill the screen.
    if (QScreen* screen = frame->screen()) frame->setGeometry(screen->availableGeometry());
    frame->showMaximized();
    // Over the main window, which it covers while the program starts.
    if (options.splash) CSplashWnd::ShowSplashScreen(frame);
    for (const QString& profile : options.profiles) frame->OpenDocumentFile(profile);
    if (options.quitWhenShown) {
        QTimer::singleShot(0, frame, [] { QCoreApplication::quit(); });
    }
    return frame;
}

}  // namespace vex::gui

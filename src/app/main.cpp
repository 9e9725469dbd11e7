// vexprg: the desktop application.

#include <QApplication>

#include "app/main_frame.h"
#include "app/vexprg_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VEX480 PRG"));
    QApplication::setOrganizationName(QStringLiteral("Kestrion"));
    QApplication::setApplicationVersion(QStringLiteral(VEX_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vexprg.svg")));

    vex::gui::StartupOptions options;
    int exitCode = 0;
    if (!vex::gui::ParseCommandLine(QApplication::arguments(), options, exitCode)) return exitCode;
    if (vex::gui::InitInstance(options) == nullptr) return 1;
    return QApplication::exec();
}

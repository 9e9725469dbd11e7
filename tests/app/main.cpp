// The window tests: one Qt Test class per CTest test, chosen by the first argument.

#include <QApplication>
#include <QtTest>

#include "gui_test_support.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("0.0.0"));
    const auto& tests = vex::gui::test::TestClasses();
    QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2 || tests.count(arguments.at(1)) == 0) {
        QStringList names;
        for (const auto& entry : tests) names << entry.first;
        qCritical("usage: vexgui-tests %s [Qt Test options]",
                  qPrintable(names.join(QLatin1Char('|'))));
        return 2;
    }
    const auto test = tests.at(arguments.takeAt(1))();
    return QTest::qExec(test.get(), arguments);
}

// The window tests: one Qt Test class per CTest test, chosen by the first argument.

#include <QApplication>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>

#define VEX_GUI_TESTS(X) \
    X(ShellTest)         \
    X(WindowTest) X(PagesTest) X(TransferTest) X(ReportTest)

namespace vex::gui::test {
#define VEX_DECLARE(name) std::unique_ptr<QObject> Make##name();
VEX_GUI_TESTS(VEX_DECLARE)
}  // namespace vex::gui::test

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("0.0.0"));
#define VEX_ENTRY(name) {QStringLiteral(#name), vex::gui::test::Make##name},
    const std::map<QString, std::function<std::unique_ptr<QObject>()>> tests = {
        VEX_GUI_TESTS(VEX_ENTRY)};
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

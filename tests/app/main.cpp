// The window tests: one Qt Test class per CTest test, chosen by the first argument.

#include <QApplication>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>

namespace vex::gui::test {
std::unique_ptr<QObject> MakeShellTest();
std::unique_ptr<QObject> MakeTreeTest();
std::unique_ptr<QObject> MakePagesTest();
std::unique_ptr<QObject> MakeTransferTest();
std::unique_ptr<QObject> MakeReportTest();
std::unique_ptr<QObject> MakeListPagesTest();
std::unique_ptr<QObject> MakeContactPagesTest();
}  // namespace vex::gui::test

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("0.0.0"));
    using vex::gui::test::MakeContactPagesTest;
    using vex::gui::test::MakeListPagesTest;
    using vex::gui::test::MakePagesTest;
    using vex::gui::test::MakeReportTest;
    using vex::gui::test::MakeShellTest;
    using vex::gui::test::MakeTransferTest;
    using vex::gui::test::MakeTreeTest;
    const std::map<QString, std::function<std::unique_ptr<QObject>()>> tests = {
        {QStringLiteral("ShellTest"), MakeShellTest},
        {QStringLiteral("TreeTest"), MakeTreeTest},
        {QStringLiteral("PagesTest"), MakePagesTest},
        {QStringLiteral("TransferTest"), MakeTransferTest},
        {QStringLiteral("ReportTest"), MakeReportTest},
        {QStringLiteral("ListPagesTest"), MakeListPagesTest},
        {QStringLiteral("ContactPagesTest"), MakeContactPagesTest}};
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

// Start-up, saving and closing profiles, and the enabling of the edit commands.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QStatusBar>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/vexprg_app.h"
#include "app/vexprg_doc.h"
#include "editors/base_view.h"
#include "editors/tree_view.h"
#include "gui_test_support.h"
#include "settings/settings_store.h"

namespace vex::gui::test {

class ShellTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<ScriptedMessages> m_messages;

    // A main frame with the fixture profile open (modified when asked), as the only window.
    std::unique_ptr<CMainFrame> FrameWithProfile(bool modified) {
        auto frame = std::make_unique<CMainFrame>(DataFolder());
        CChildFrame* child = frame->OpenDocumentFile(TwoChannelsProfile());
        if (child != nullptr && modified) child->Document()->SetModifiedFlag(true);
        return frame;
    }

  private slots:
    void init() { m_messages = std::make_unique<ScriptedMessages>(); }
    void cleanup() {
        m_messages.reset();
        SetSavePathAsker({});
    }

    void startUpSeedsTheSettingsOrEndsWith10115() {
        {
            TestSettings settings("[General]\nDefaultLanguage=\n");
            QVERIFY(!CheckSettingsAtStartup(nullptr));
            QCOMPARE(m_messages->texts,
                     QStringList{
                         QStringLiteral("Fatal registry Error, the application will be closed!")});
        }
        TestSettings settings(
            "[General]\nDefaultLanguage=English\n[Language]\nEnglish\\DealerInfo=Radio Shop\n");
        QVERIFY(CheckSettingsAtStartup(nullptr));
        QCOMPARE(GetCurrentLanguage(), std::string("English"));
        QCOMPARE(GetDealerTexts().texts.dealerInfo, std::string("Radio Shop"));
    }

    void startUpOpensTheProfilesOfTheCommandLineAndNothingElse() {
        TestSettings settings;
        StartupOptions options;
        int exitCode = -1;
        QVERIFY(ParseCommandLine({QStringLiteral("vexprg"), QStringLiteral("--no-splash"),
                                  QStringLiteral("--port=/tmp/r1"), TwoChannelsProfile()},
                                 options, exitCode));
        QVERIFY(!options.splash);
        QCOMPARE(options.port, QStringLiteral("/tmp/r1"));
        std::unique_ptr<CMainFrame> frame(InitInstance(options));
        QVERIFY(frame != nullptr);
        frame->setAttribute(Qt::WA_DeleteOnClose, false);
        QCOMPARE(frame->Children().size(), 1);
        QCOMPARE(frame->ActiveChild()->windowTitle(), QStringLiteral("two_channels.lam[*]"));
        QCOMPARE(CurrentPortName(), std::string("/tmp/r1"));
        QVERIFY(GetCurrentComPort() != "/tmp/r1");
        SetPortOverride({});

        std::unique_ptr<CMainFrame> empty(InitInstance({{}, false, {}, false}));
        empty->setAttribute(Qt::WA_DeleteOnClose, false);
        QVERIFY(empty->Children().isEmpty());
        QVERIFY(!empty->Command(QStringLiteral("Write"))->isEnabled());
        QVERIFY(!empty->Command(QStringLiteral("Save"))->isVisible());
        QVERIFY(empty->Command(QStringLiteral("Read"))->isEnabled());
        QCOMPARE(empty->TransferStatus(), QStringLiteral("Idle"));
    }

    void theSaveGuardAsksThePageFirst() {
        TestSettings settings;
        auto frame = FrameWithProfile(true);
        CChildFrame* child = frame->ActiveChild();
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("saved.lam"));

        child->InstallPage(new AnsweringPage(child->Document(), 0));
        QVERIFY(!child->SaveAs(path));
        QVERIFY(!QFile::exists(path));
        QVERIFY(child->Document()->IsModified());

        child->InstallPage(new AnsweringPage(child->Document(), 1));
        QVERIFY(child->SaveAs(path));
        QVERIFY(QFile::exists(path));
        QVERIFY(!child->Document()->IsModified());
        QCOMPARE(child->windowTitle(), QStringLiteral("saved.lam[*]"));
        QCOMPARE(frame->RecentFiles().value(0), path);

        // A save that fails keeps the profile modified and says why.
        child->Document()->SetModifiedFlag(true);
        QVERIFY(!child->SaveAs(folder.filePath(QStringLiteral("no/such/folder/x.lam"))));
        QVERIFY(child->Document()->IsModified());
        QCOMPARE(m_messages->texts.last(), QStringLiteral("Unknown Error"));
        QVERIFY(m_messages->lastDetails.contains(QStringLiteral("no/such/folder")));
    }

    void closingAModifiedProfileAsksToSave() {
        TestSettings settings;
        auto frame = FrameWithProfile(true);
        CChildFrame* child = frame->ActiveChild();
        m_messages->answers = {mb::kIdCancel};
        QVERIFY(!child->close());
        QCOMPARE(frame->Children().size(), 1);
        QCOMPARE(m_messages->texts.value(0), QStringLiteral("Save changes to two_channels.lam?"));

        // Yes on a new profile asks where to save it.
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("new"));
        SetSavePathAsker([&](QWidget*, const QString& suggestion) {
            return suggestion.isEmpty() ? QString() : path;
        });
        CChildFrame* fresh = frame->NewFromTemplate(TemplateFolder() + QStringLiteral("/V440.lam"));
        QVERIFY(fresh != nullptr);
        fresh->Document()->SetModifiedFlag(true);
        m_messages->answers = {mb::kIdYes};
        QVERIFY(fresh->close());
        QVERIFY(QFile::exists(path + QStringLiteral(".lam")));

        m_messages->answers = {mb::kIdNo};
        QVERIFY(child->close());
        QApplication::processEvents();
        QVERIFY(frame->Children().isEmpty());
    }

    void quittingAsksForEveryModifiedProfile() {
        TestSettings settings;
        auto frame = FrameWithProfile(true);
        frame->NewFromTemplate(TemplateFolder() + QStringLiteral("/V480.lam"))
            ->Document()
            ->SetModifiedFlag(true);
        m_messages->answers = {mb::kIdNo, mb::kIdCancel};
        QVERIFY(!frame->close());
        QCOMPARE(m_messages->texts.size(), 2);
        QCOMPARE(frame->Children().size(), 2);

        m_messages->answers = {mb::kIdNo, mb::kIdNo};
        QVERIFY(frame->close());
        QApplication::processEvents();
        QVERIFY(frame->Children().isEmpty());
    }

    void editCommandsFollowTheFocusedField() {
        TestSettings settings;
        auto frame = FrameWithProfile(false);
        auto* writable = new QLineEdit(QStringLiteral("some text"), frame.get());
        frame->statusBar()->addPermanentWidget(writable);
        frame->show();
        QApplication::setActiveWindow(frame.get());
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        const auto enabled = [&](const char* name) {
            return frame->Command(QLatin1String(name))->isEnabled();
        };

        // A read-only field: Copy only, and only with a selection.
        auto* pid = frame->ActiveChild()->CurrentPage()->ControlAs<QLineEdit>(1066);
        pid->setFocus();
        QVERIFY(!enabled("Copy"));
        pid->selectAll();
        QVERIFY(enabled("Copy"));
        QVERIFY(!enabled("Cut"));
        QVERIFY(!enabled("Paste"));
        QVERIFY(!enabled("Delete"));

        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        writable->setFocus();
        writable->deselect();
        QVERIFY(!enabled("Cut"));
        QVERIFY(enabled("Paste"));
        QVERIFY(!enabled("Delete"));
        writable->setSelection(0, 4);
        QVERIFY(enabled("Cut"));
        QVERIFY(enabled("Delete"));
        frame->Command(QStringLiteral("Delete"))->trigger();
        QCOMPARE(writable->text(), QStringLiteral(" text"));

        // In the tree, Delete follows the selected node.
        CVEXPRGTreeView* tree = frame->ActiveChild()->Tree();
        tree->setFocus();
        tree->setCurrentItem(tree->FindNode(NodeData(node::kPrivate, 1)));
        QVERIFY(enabled("Delete"));
        QVERIFY(enabled("Rename"));
        tree->setCurrentItem(tree->FindNode(NodeData(node::kSettings, 0)));
        QVERIFY(!enabled("Delete"));
    }
};

std::unique_ptr<QObject> MakeShellTest() {
    return std::make_unique<ShellTest>();
}

}  // namespace vex::gui::test

#include "shell_test.moc"

// Start-up, saving and closing profiles, and the enabling of the edit commands.

#include "app/vexprg_app.h"
#include "gui_test_support.h"
#include "settings/settings_store.h"

namespace vex::gui::test {

class ShellTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { SetSavePathAsker({}); }

    // Seeding the settings is the settings store's; the window shows why it cannot start.
    void startUpWithoutADefaultLanguageEndsWith10115() {
        ScriptedMessages messages;
        TestSettings settings("[General]\nDefaultLanguage=\n");
        QVERIFY(!CheckSettingsAtStartup(nullptr));
        QCOMPARE(messages.texts,
                 QStringList{u"Fatal registry Error, the application will be closed!"_s});
    }

    void startUpOpensTheProfilesOfTheCommandLineAndNothingElse() {
        Session session;
        StartupOptions options;
        int exitCode = -1;
        QVERIFY(ParseCommandLine(
            {u"vexprg"_s, u"--no-splash"_s, u"--port=/tmp/r1"_s, TwoChannelsProfile()}, options,
            exitCode));
        QVERIFY(!options.splash);
        QCOMPARE(options.port, u"/tmp/r1"_s);
        std::unique_ptr<CMainFrame> frame(InitInstance(options));
        QVERIFY(frame != nullptr);
        frame->setAttribute(Qt::WA_DeleteOnClose, false);
        QCOMPARE(frame->Children().size(), 1);
        QCOMPARE(frame->ActiveChild()->windowTitle(), u"two_channels.lam[*]"_s);
        QCOMPARE(CurrentPortName(), std::string("/tmp/r1"));
        QVERIFY(GetCurrentComPort() != "/tmp/r1");
        SetPortOverride({});

        std::unique_ptr<CMainFrame> empty(InitInstance({{}, false, {}, false}));
        empty->setAttribute(Qt::WA_DeleteOnClose, false);
        QVERIFY(empty->Children().isEmpty());
        QVERIFY(!empty->Command(u"Write"_s)->isEnabled());
        QVERIFY(!empty->Command(u"Save"_s)->isVisible());
        QVERIFY(empty->Command(u"Read"_s)->isEnabled());
        QCOMPARE(empty->TransferStatus(), u"Idle"_s);
    }

    void theSaveGuardAsksThePageFirst() {
        ProfileWindow w;
        CChildFrame* child = w.child;
        child->Document()->SetModifiedFlag(true);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"saved.lam"_s);

        for (const bool saves : {false, true}) {
            child->InstallPage(new AnsweringPage(child->Document(), saves ? 1 : 0));
            QCOMPARE(child->SaveAs(path), saves);
            QCOMPARE(QFile::exists(path), saves);
            QCOMPARE(child->Document()->IsModified(), !saves);
        }
        QCOMPARE(child->windowTitle(), u"saved.lam[*]"_s);
        QCOMPARE(w.frame->RecentFiles().value(0), path);

        // A save that fails keeps the profile modified and says why.
        child->Document()->SetModifiedFlag(true);
        QVERIFY(!child->SaveAs(folder.filePath(u"no/such/folder/x.lam"_s)));
        QVERIFY(child->Document()->IsModified());
        QCOMPARE(w.messages.texts.last(), u"Unknown Error"_s);
        QVERIFY(w.messages.lastDetails.contains(u"no/such/folder"_s));
    }

    void closingOrQuittingAsksForEveryModifiedProfile() {
        ProfileWindow w;
        w.Doc()->SetModifiedFlag(true);
        CChildFrame* fresh = w.frame->NewFromTemplate(TemplateFolder() + u"/V440.lam"_s);
        QVERIFY(fresh != nullptr);
        fresh->Document()->SetModifiedFlag(true);
        // Quitting asks for each; Cancel on the second keeps both open.
        w.messages.answers = {mb::kIdNo, mb::kIdCancel};
        QVERIFY(!w.frame->close());
        QCOMPARE(w.messages.texts.size(), 2);
        QCOMPARE(w.frame->Children().size(), 2);

        w.messages.answers = {mb::kIdCancel};
        QVERIFY(!w.child->close());
        QCOMPARE(w.frame->Children().size(), 2);
        QCOMPARE(w.messages.texts.last(), u"Save changes to two_channels.lam?"_s);

        // Yes on a new profile asks where to save it.
        QTemporaryDir folder;
        const QString path = folder.filePath(u"new"_s);
        SetSavePathAsker([&](QWidget*, const QString& suggestion) {
            return suggestion.isEmpty() ? QString() : path;
        });
        w.messages.answers = {mb::kIdYes};
        QVERIFY(fresh->close());
        QVERIFY(QFile::exists(path + u".lam"_s));

        w.messages.answers = {mb::kIdNo};
        QVERIFY(w.frame->close());
        QApplication::processEvents();
        QVERIFY(w.frame->Children().isEmpty());
    }

    void editCommandsFollowTheFocusedField() {
        ProfileWindow w;
        CMainFrame* frame = w.frame.get();
        auto* writable = new QLineEdit(u"some text"_s, frame);
        frame->statusBar()->addPermanentWidget(writable);
        frame->show();
        QApplication::setActiveWindow(frame);
        QVERIFY(QTest::qWaitForWindowActive(frame));
        const auto enabled = [frame] {
            QStringList on;
            for (const char* name : {"Cut", "Copy", "Paste", "Delete", "Rename"}) {
                if (frame->Command(QLatin1String(name))->isEnabled()) on << QLatin1String(name);
            }
            return on.join(QLatin1Char(' '));
        };

        // A read-only field: Copy only, and only with a selection.
        auto* pid = w.child->CurrentPage()->ControlAs<QLineEdit>(1066);
        pid->setFocus();
        QCOMPARE(enabled(), QString());
        pid->selectAll();
        QCOMPARE(enabled(), u"Copy"_s);

        QApplication::clipboard()->setText(u"pasted"_s);
        writable->setFocus();
        writable->deselect();
        QCOMPARE(enabled(), u"Paste"_s);
        writable->setSelection(0, 4);
        QCOMPARE(enabled(), u"Cut Copy Paste Delete"_s);
        frame->Command(u"Delete"_s)->trigger();
        QCOMPARE(writable->text(), u" text"_s);

        // In the tree, Delete and Rename follow the selected node.
        w.Tree()->setFocus();
        w.Tree()->setCurrentItem(w.Node(node::kPrivate, 1));
        QCOMPARE(enabled(), u"Delete Rename"_s);
        w.Tree()->setCurrentItem(w.Node(node::kSettings, 0));
        QCOMPARE(enabled(), QString());
    }
};

VEX_GUI_TEST(ShellTest)

}  // namespace vex::gui::test

#include "shell_test.moc"

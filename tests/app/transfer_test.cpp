// Read, write, reset and private-ID capture from the windows, against a virtual radio on an
// in-memory line (one read over a pseudo-terminal).

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <functional>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/transfer_dialogs.h"
#include "app/vexprg_doc.h"
#include "editors/tree_view.h"
#include "gui_test_support.h"
#include "model/profile_document.h"
#include "sim/background_radio.h"
#include "sim/default_radio.h"
#include "sim/faults.h"

namespace vex::gui::test {

namespace {

constexpr std::uint8_t kPutContact = 0x31;

// The timers of a test, gone with it.
QObject* g_timers = nullptr;

// Calls `step` with the transfer dialog that is open (modal) every 10 ms until it returns true.
void WithNextDialog(const std::function<bool(CTransferDialogBase*)>& step) {
    auto* timer = new QTimer(g_timers);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        auto* dialog = qobject_cast<CTransferDialogBase*>(QApplication::activeModalWidget());
        if (dialog != nullptr && step(dialog)) timer->deleteLater();
    });
    timer->start(10);
}

// Leaves the next dialog with OK once it may be left so, or with Cancel after a failure.
void FinishNextDialog() {
    WithNextDialog([](CTransferDialogBase* dialog) {
        if (dialog->OkButton()->isEnabled()) {
            dialog->OkButton()->click();
            return true;
        }
        if (!dialog->FailureShown()) return false;
        dialog->CancelButton()->click();
        return true;
    });
}

// The radio's own private ID in the profile of a window.
QString Own(CChildFrame* child) {
    VirtualCP image;
    child->Document()->Profile().GetVirtualCPData(image);
    return Qs(image.m_limits.pid);
}

}  // namespace

class TransferTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TestSettings> m_settings;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<sim::BackgroundRadio> m_radio;

    void AddFault(const char* text) {
        std::string error;
        const auto fault = sim::ParseFault(text, error);
        QVERIFY2(fault.has_value(), error.c_str());
        m_radio->Server().AddFault(*fault);
    }

  private slots:
    void init() {
        m_settings = std::make_unique<TestSettings>();
        m_messages = std::make_unique<ScriptedMessages>();
        m_radio = sim::BackgroundRadio::OnMemoryLine(sim::DefaultRadioImage());
        m_radio->Start();
        g_timers = new QObject;
        SetTransferSetup({m_radio->HostPorts(), std::chrono::milliseconds(10)});
        SetPortOverride("virtual");
    }
    void cleanup() {
        delete g_timers;
        g_timers = nullptr;
        SetTransferSetup({});
        SetPortOverride({});
        m_radio.reset();
        m_messages.reset();
        m_settings.reset();
    }

    void readMakesAProfileOrOverwritesTheActiveOneAsAnswered() {
        CMainFrame frame(DataFolder());
        FinishNextDialog();
        frame.OnRead();  // no profile window: no question
        QCOMPARE(frame.Children().size(), 1);
        QVERIFY(m_messages->texts.isEmpty());
        QCOMPARE(frame.ActiveChild()->Document()->Title(), QStringLiteral("1001"));
        QVERIFY(frame.ActiveChild()->Document()->IsModified());

        CChildFrame* opened = frame.OpenDocumentFile(TwoChannelsProfile());
        QVERIFY(opened != nullptr);
        const QString before = Own(opened);
        const std::string text = opened->Document()->Profile().ProfileText();
        struct Case {
            int answer;
            int windows;
            bool overwritten;
        };
        for (const Case& c : {Case{mb::kIdCancel, 2, false}, Case{mb::kIdYes, 3, false},
                              Case{mb::kIdNo, 3, true}}) {
            frame.MdiArea()->setActiveSubWindow(opened);
            m_messages->answers = {c.answer};
            FinishNextDialog();
            frame.OnRead();
            QCOMPARE(m_messages->texts.last(),
                     QStringLiteral("Do you want to create a new profile(Yes), overwrite the "
                                    "currently selected profile(No) or cancel it?"));
            QCOMPARE(frame.Children().size(), c.windows);
            QCOMPARE(opened->Document()->Profile().ProfileText() != text, c.overwritten);
        }
        QCOMPARE(Own(opened), QStringLiteral("1001"));
        QVERIFY(before != Own(opened));
        QVERIFY(opened->Document()->IsModified());
        QVERIFY(opened->Tree()->topLevelItemCount() > 0);
        QCOMPARE(frame.TransferStatus(), QStringLiteral("Idle"));
    }

    void aFailedReadShowsItsErrorAndChangesNothing() {
        CMainFrame frame(DataFolder());
        CChildFrame* opened = frame.OpenDocumentFile(TwoChannelsProfile());
        const std::string text = opened->Document()->Profile().ProfileText();
        AddFault("silence");
        QString status;
        QString title;
        bool okEnabled = true;
        WithNextDialog([&](CTransferDialogBase* dialog) {
            if (!dialog->FailureShown()) return false;
            status = dialog->Status()->text();
            title = dialog->windowTitle();
            okEnabled = dialog->OkButton()->isEnabled();
            dialog->CancelButton()->click();
            return true;
        });
        frame.OnRead();
        QCOMPARE(status, QStringLiteral("Error: Unable to establish a connection with the radio.\n"
                                        "          Please check your connection and try again."));
        QCOMPARE(title, QStringLiteral("Reading Failed!"));
        QVERIFY(!okEnabled);
        QVERIFY(m_messages->texts.isEmpty());
        QCOMPARE(frame.Children().size(), 1);
        QCOMPARE(opened->Document()->Profile().ProfileText(), text);
    }

    void writeGoesOnOrStopsAtTheWarning() {
        // The fixture's own private is not the radio's 1001: the write warns. A write that goes on
        // is read back: the radio holds what was sent, whatever its own ID.
        CReadWriteDialog::SetVerifyAfterWrite(true);
        for (const bool yes : {false, true}) {
            CMainFrame frame(DataFolder());
            frame.OpenDocumentFile(TwoChannelsProfile());
            m_messages->answers = {yes ? mb::kIdYes : mb::kIdNo};
            QString ended;  // what the test saw when it left the dialog
            WithNextDialog([&](CTransferDialogBase* dialog) {
                if (!dialog->OkButton()->isEnabled() && !dialog->FailureShown()) return false;
                ended = dialog->Status()->text();
                (dialog->FailureShown() ? dialog->CancelButton() : dialog->OkButton())->click();
                return true;
            });
            frame.OnWrite();
            QVERIFY(m_messages->texts.contains(
                QStringLiteral("Warning: The radio being programmed is not in this profile. Do "
                               "you want to continue?")));
            QCOMPARE(m_radio->Server().Stats().framesByOpcode[kPutContact] > 0, yes);
            // Answered No, the dialog closes through -12 by itself.
            QCOMPARE(ended, yes ? QStringLiteral("Writing success!\nChecked: the radio holds what "
                                                 "was sent.")
                                : QString());
        }
    }

    void cancelEscapeAndCloseFollowTheDialogsState() {
        // A radio at cable speed, so that the write can be caught while it sends.
        m_radio->Server().SetPacing(sim::Pacing{true});
        VirtualCP image = sim::DefaultRadioImage();
        {
            CMainFrame frame(DataFolder());
            CReadWriteDialog write(false, image, &frame);
            write.show();
            QTRY_VERIFY_WITH_TIMEOUT(write.Progress()->value() >= 60, 20000);
            QCOMPARE(frame.TransferStatus(), QStringLiteral("Transferring"));
            write.CancelButton()->click();
            QCOMPARE(write.Status()->text(), QStringLiteral("Note: Canceling the operation..."));
            write.close();  // while cancelling: waits for the worker
            QVERIFY(write.isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(!write.isVisible(), 20000);
            QCOMPARE(write.result(), int(QDialog::Rejected));
            QCOMPARE(m_messages->texts.size(), 1);  // the radio holds part of the profile
            QCOMPARE(m_messages->texts.first(), Qs(kIncompleteWriteText));
            QCOMPARE(frame.TransferStatus(), QStringLiteral("Idle"));
        }
        m_radio->Server().SetPacing(sim::Pacing{});
        CReadWriteDialog read(true, image, nullptr);
        read.show();
        QTRY_VERIFY(read.OkButton()->isEnabled());
        QCOMPARE(read.windowTitle(), QStringLiteral("Reading successful!"));
        QCOMPARE(read.Progress()->value(), 100);
        QVERIFY(!read.CancelButton()->isEnabled());
        QTest::keyClick(&read, Qt::Key_Escape);
        read.close();
        QVERIFY(read.isVisible());
        read.OkButton()->click();
        QCOMPARE(read.result(), int(QDialog::Accepted));
    }

    void verifyAfterWriteListsWhatTheRadioLost() {
        // The radio loses its first contact once the write has ended.
        QString lostLine;
        m_radio->Radio().SetChangeHook([this, &lostLine](const VirtualCP& held) {
            VirtualCP lost = held;
            if (lost.m_contacts[0].IsType(ContactType::Empty)) return;
            lostLine = QStringLiteral("contact '%1' (%2): not in the radio")
                           .arg(Qs(lost.m_contacts[0].name), Qs(lost.m_contacts[0].pid));
            lost.m_contacts[0] = ContactRecord();
            m_radio->Radio().SetImage(lost);
        });
        VirtualCP image = sim::DefaultRadioImage();
        CReadWriteDialog::SetVerifyAfterWrite(true);
        CReadWriteDialog write(false, image, nullptr);
        QVERIFY(write.VerifyBox()->isChecked());
        write.show();
        QTRY_VERIFY(write.OkButton()->isEnabled());
        // The lost contact, then what its loss did to the members of that group.
        QVERIFY(!lostLine.isEmpty());
        QCOMPARE(write.Differences().first(), lostLine);
        QVERIFY(write.DifferencesView()->isVisible());
    }

    void privateIdCaptureAndResetReportTheirResults() {
        m_radio->Radio().SetPidCapture("4321", 1);
        {
            CReadPidDialog dialog;
            dialog.show();
            QTRY_VERIFY(dialog.OkButton()->isEnabled());
            QCOMPARE(CReadPidDialog::GetPidResult(), QStringLiteral("4321"));
        }
        const CReadPidDialog next;  // a new capture forgets the last result
        QVERIFY(CReadPidDialog::GetPidResult().isEmpty());

        CMainFrame frame(DataFolder());
        frame.OnReset();
        QCOMPARE(frame.TransferStatus(), QStringLiteral("Transferring"));
        QTRY_VERIFY(!frame.ResetRunning());
        QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("The radio has been reset."));
        QVERIFY(m_messages->texts.isEmpty());
        AddFault("silence");
        frame.OnReset();
        QTRY_VERIFY_WITH_TIMEOUT(!frame.ResetRunning(), 10000);
        QCOMPARE(m_messages->texts,
                 QStringList{QStringLiteral("Error: Unable to establish a connection with the "
                                            "radio. Please check your connection and try again.")});
        QCOMPARE(frame.TransferStatus(), QStringLiteral("Idle"));
    }

    void aReadOverAPseudoTerminalAndWithoutAPort() {
        std::string error;
        auto pty = sim::BackgroundRadio::OnPseudoTerminal(sim::DefaultRadioImage(), error);
        QVERIFY2(pty != nullptr, error.c_str());
        pty->Start();
        SetTransferSetup({});
        SetPortOverride(pty->DevicePath());
        CMainFrame frame(DataFolder());
        FinishNextDialog();
        frame.OnRead();
        QCOMPARE(frame.Children().size(), 1);

        SetPortOverride("/dev/vex480-missing");  // a port that cannot be opened, and why
        VirtualCP unread;
        {
            CReadWriteDialog failing(true, unread, &frame);
            failing.show();
            QTRY_VERIFY(failing.FailureShown());
            QCOMPARE(failing.Status()->text(),
                     QStringLiteral("Error: COM port already in use by another application."));
            QVERIFY(failing.Hint()->isVisible());
            QVERIFY(failing.Hint()->text().startsWith(
                QStringLiteral("Cannot open /dev/vex480-missing: No such file or directory.")));
        }

        SetPortOverride({});  // the test's settings hold no port
        m_messages->answers = {mb::kIdNo};
        VirtualCP image;
        CReadWriteDialog dialog(true, image, &frame);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(m_messages->texts.last().startsWith(
            QStringLiteral("No serial port is chosen for the radio.")));
    }
};

std::unique_ptr<QObject> MakeTransferTest() {
    return std::make_unique<TransferTest>();
}

}  // namespace vex::gui::test

#include "transfer_test.moc"

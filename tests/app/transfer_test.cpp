// Read, write, reset and private-ID capture from the windows, against a virtual radio on an
// in-memory line (one read over a pseudo-terminal).

#include <functional>

#include "app/transfer_dialogs.h"
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

// What a transfer dialog showed when the test left it.
struct Seen {
    QString title, status, hint;  // the hint only when shown
    bool okEnabled = false;
};

// Leaves the next dialog with OK once it may be left so, or with Cancel after a failure.
void FinishNextDialog(Seen* seen = nullptr) {
    WithNextDialog([seen](CTransferDialogBase* dialog) {
        if (!dialog->OkButton()->isEnabled() && !dialog->FailureShown()) return false;
        if (seen != nullptr) {
            *seen = {dialog->windowTitle(), dialog->Status()->text(),
                     dialog->Hint()->isVisible() ? dialog->Hint()->text() : QString(),
                     dialog->OkButton()->isEnabled()};
        }
        (dialog->FailureShown() ? dialog->CancelButton() : dialog->OkButton())->click();
        return true;
    });
}

}  // namespace

class TransferTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<Session> m_s;
    std::unique_ptr<sim::BackgroundRadio> m_radio;

    void AddFault(const char* text) {
        std::string error;
        const auto fault = sim::ParseFault(text, error);
        QVERIFY2(fault.has_value(), error.c_str());
        m_radio->Server().AddFault(*fault);
    }

  private slots:
    void init() {
        m_s = std::make_unique<Session>();
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
        m_s.reset();
    }

    void readMakesAProfileOrOverwritesTheActiveOneAsAnsweredUnlessItFails() {
        CMainFrame frame(DataFolder());
        FinishNextDialog();
        frame.OnRead();  // no profile window: no question
        QCOMPARE(frame.Children().size(), 1);
        QVERIFY(m_s->messages.texts.isEmpty());
        QCOMPARE(frame.ActiveChild()->Document()->Title(), u"1001"_s);
        QVERIFY(frame.ActiveChild()->Document()->IsModified());

        CChildFrame* opened = frame.OpenDocumentFile(TwoChannelsProfile());
        QVERIFY(opened != nullptr);
        const std::string text = opened->Document()->Profile().ProfileText();
        const std::tuple<int, int, bool> answers[] = {
            {mb::kIdCancel, 2, false}, {mb::kIdYes, 3, false}, {mb::kIdNo, 3, true}};
        for (const auto& [answer, windows, overwritten] : answers) {
            frame.MdiArea()->setActiveSubWindow(opened);
            m_s->messages.answers = {answer};
            FinishNextDialog();
            frame.OnRead();
            QCOMPARE(m_s->messages.texts.last(),
                     u"Do you want to create a new profile(Yes), overwrite the "
                     "currently selected profile(No) or cancel it?"_s);
            QCOMPARE(frame.Children().size(), windows);
            QCOMPARE(opened->Document()->Profile().ProfileText() != text, overwritten);
        }
        QVERIFY(opened->Document()->IsModified());
        QVERIFY(opened->Tree()->topLevelItemCount() > 0);

        // A failed read shows its error and changes nothing, not even the profile to overwrite.
        const std::string read = opened->Document()->Profile().ProfileText();
        AddFault("silence");
        frame.MdiArea()->setActiveSubWindow(opened);
        m_s->messages.answers = {mb::kIdNo};  // were it asked
        const qsizetype shown = m_s->messages.texts.size();
        Seen seen;
        FinishNextDialog(&seen);
        frame.OnRead();
        QCOMPARE(seen.status,
                 u"Error: Unable to establish a connection with the radio.\n"
                 "          Please check your connection and try again."_s);
        QCOMPARE(seen.title, u"Reading Failed!"_s);
        QVERIFY(!seen.okEnabled);
        QCOMPARE(m_s->messages.texts.size(), shown);  // not even the question
        QCOMPARE(frame.Children().size(), 3);
        QCOMPARE(opened->Document()->Profile().ProfileText(), read);
        QCOMPARE(frame.TransferStatus(), u"Idle"_s);
    }

    void writeGoesOnOrStopsAtTheWarning() {
        // The fixture's own private is not the radio's 1001: the write warns. A write that goes on
        // is read back: the radio holds what was sent, whatever its own ID.
        CReadWriteDialog::SetVerifyAfterWrite(true);
        for (const bool yes : {false, true}) {
            CMainFrame frame(DataFolder());
            frame.OpenDocumentFile(TwoChannelsProfile());
            m_s->messages.answers = {yes ? mb::kIdYes : mb::kIdNo};
            Seen seen;
            FinishNextDialog(&seen);
            frame.OnWrite();
            QVERIFY(m_s->messages.texts.contains(
                u"Warning: The radio being programmed is not in this profile. Do "
                "you want to continue?"_s));
            QCOMPARE(m_radio->Server().Stats().framesByOpcode[kPutContact] > 0, yes);
            // Answered No, the dialog closes through -12 by itself.
            QCOMPARE(seen.status, yes ? u"Writing success!\nChecked: the radio holds what "
                                        "was sent."_s
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
            QCOMPARE(frame.TransferStatus(), u"Transferring"_s);
            write.CancelButton()->click();
            QCOMPARE(write.Status()->text(), u"Note: Canceling the operation..."_s);
            write.close();  // while cancelling: waits for the worker
            QVERIFY(write.isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(!write.isVisible(), 20000);
            QCOMPARE(write.result(), int(QDialog::Rejected));
            QCOMPARE(m_s->messages.texts.size(), 1);  // the radio holds part of the profile
            QCOMPARE(m_s->messages.texts.first(), Qs(kIncompleteWriteText));
            QCOMPARE(frame.TransferStatus(), u"Idle"_s);
        }
        m_radio->Server().SetPacing(sim::Pacing{});
        CReadWriteDialog read(true, image, nullptr);
        read.show();
        QTRY_VERIFY(read.OkButton()->isEnabled());
        QCOMPARE(read.windowTitle(), u"Reading successful!"_s);
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
            lostLine = u"contact '%1' (%2): not in the radio"_s.arg(Qs(lost.m_contacts[0].name),
                                                                    Qs(lost.m_contacts[0].pid));
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
            QCOMPARE(CReadPidDialog::GetPidResult(), u"4321"_s);
        }
        const CReadPidDialog next;  // a new capture forgets the last result
        QVERIFY(CReadPidDialog::GetPidResult().isEmpty());

        CMainFrame frame(DataFolder());
        frame.OnReset();
        QCOMPARE(frame.TransferStatus(), u"Transferring"_s);
        QTRY_VERIFY(!frame.ResetRunning());
        QCOMPARE(frame.statusBar()->currentMessage(), u"The radio has been reset."_s);
        QVERIFY(m_s->messages.texts.isEmpty());
        AddFault("silence");
        frame.OnReset();
        QTRY_VERIFY_WITH_TIMEOUT(!frame.ResetRunning(), 10000);
        QCOMPARE(m_s->messages.texts,
                 QStringList{u"Error: Unable to establish a connection with the "
                             "radio. Please check your connection and try again."_s});
        QCOMPARE(frame.TransferStatus(), u"Idle"_s);
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
        m_s->messages.answers = {mb::kIdYes};    // into a new profile
        Seen seen;
        FinishNextDialog(&seen);
        frame.OnRead();
        QCOMPARE(seen.status, u"Error: COM port already in use by another application."_s);
        QVERIFY(
            seen.hint.startsWith(u"Cannot open /dev/vex480-missing: No such file or directory."_s));

        SetPortOverride({});  // the test's settings hold no port
        m_s->messages.answers = {mb::kIdNo};
        VirtualCP image;
        CReadWriteDialog dialog(true, image, &frame);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(
            m_s->messages.texts.last().startsWith(u"No serial port is chosen for the radio."_s));
    }
};

VEX_GUI_TEST(TransferTest)

}  // namespace vex::gui::test

#include "transfer_test.moc"

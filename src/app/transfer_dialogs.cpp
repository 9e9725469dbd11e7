#include "app/transfer_dialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include "app/dialogs.h"
#include "app/gui_support.h"
#include "app/main_frame.h"
#include "app/vexprg_app.h"
#include "link/verify.h"
#include "settings/port_list.h"
#include "ui_read_pid_dialog.h"
#include "ui_read_write_dialog.h"

namespace vex::gui {

namespace {

TransferSetup g_setup;
std::string g_pidResult;

const QString kVerifyKey = QStringLiteral("Transfer/VerifyAfterWrite");

QSettings UserSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Kestrion"),
                     QStringLiteral("VEX480 PRG"));
}

}  // namespace

void SetTransferSetup(TransferSetup setup) {
    g_setup = std::move(setup);
}

std::unique_ptr<TransferEngine> MakeTransferEngine(
    const std::shared_ptr<std::string>& openFailure) {
    PortFactory ports = g_setup.ports;
    auto engine = std::make_unique<TransferEngine>(
        [ports, openFailure](std::string_view name) -> std::unique_ptr<SerialPort> {
            std::unique_ptr<SerialPort> port =
                ports ? ports(name) : std::make_unique<SerialPort>(name);
            if (port != nullptr && !port->IsOpen()) *openFailure = port->OpenFailureHint();
            return port;
        });
    engine->SetExpectedCompatibility(static_cast<std::uint8_t>(kSupportedCompatibilityVersion));
    engine->SetPidPollInterval(g_setup.pidPollInterval);
    return engine;
}

// ---------------------------------------------------------------------------------------------
// Observer

CGuiTransferObserver::CGuiTransferObserver(QObject* receiver, Handler handler)
    : m_receiver(receiver), m_handler(std::move(handler)) {}

void CGuiTransferObserver::OnProgress(int percent) {
    Post(TransferEvent::Progress, percent);
}

void CGuiTransferObserver::OnSucceeded() {
    Post(TransferEvent::Succeeded, 0);
}

void CGuiTransferObserver::OnFailed(LinkStatus status) {
    Post(TransferEvent::Failed, ToInt(status));
}

void CGuiTransferObserver::OnWarning(std::int32_t code) {
    Post(TransferEvent::Warning, code);
}

void CGuiTransferObserver::Post(TransferEvent event, std::int32_t value) {
    QMetaObject::invokeMethod(
        m_receiver, [handler = m_handler, event, value] { handler(event, value); },
        Qt::QueuedConnection);
}

QString LinkFailureText(LinkStatus status, bool dialogForm, const std::string& openFailure) {
    QString text =
        Qs(LinkErrorText(status, dialogForm ? LinkTextForm::Dialog : LinkTextForm::MessageBox));
    if (status == LinkStatus::PortUnavailable && !openFailure.empty()) {
        text += QLatin1Char('\n') + Qs(openFailure);
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// Dialog base

CTransferDialogBase::CTransferDialogBase(QWidget* parent)
    : QDialog(parent), m_engine(MakeTransferEngine(m_openFailure)) {
    m_observer = std::make_unique<CGuiTransferObserver>(
        this, [this](TransferEvent event, std::int32_t value) { Dispatch(event, value); });
    m_engine->SetObserver(m_observer.get());
}

CTransferDialogBase::~CTransferDialogBase() {
    JoinWorker();
}

void CTransferDialogBase::JoinWorker() {
    if (!m_worker.joinable()) return;
    // A worker that still runs (the dialog is taken down from outside) stops at its next step,
    // also when it waits for the answer to a warning.
    m_engine->RequestCancel();
    m_engine->AnswerWarning(false);
    m_worker.join();
}

void CTransferDialogBase::SetControls(QPushButton* ok, QPushButton* cancel, QProgressBar* progress,
                                      QLabel* status, QLabel* hint) {
    m_ok = ok;
    m_cancel = cancel;
    m_progress = progress;
    m_status = status;
    m_hint = hint;
    // The dialog is as large as what it shows (the hint and the differences come and go).
    if (layout() != nullptr) layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_ok->setText(tr("&OK"));
    m_cancel->setText(tr("&Cancel"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CTransferDialogBase::reject);
    m_hint->hide();
}

bool EnsurePortChosen(QWidget* parent) {
    if (!CurrentPortName().empty()) return true;
    const int answer =
        ShowMessage(parent,
                    QObject::tr("No serial port is chosen for the radio.\n"
                                "Do you want to choose the port in the Preference dialog now?"),
                    mb::kYesNo | mb::kIconQuestion);
    if (answer == mb::kIdYes) {
        CPreferenceDialog preference(ListSerialPorts(), parent);
        preference.exec();
    }
    return !CurrentPortName().empty();
}

int CTransferDialogBase::exec() {
    if (!EnsurePortChosen(parentWidget())) return QDialog::Rejected;
    return QDialog::exec();
}

void CTransferDialogBase::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_bStarted) return;
    m_bStarted = true;
    m_port = CurrentPortName();
    if (m_port.empty()) {
        // Nothing to talk to: the dialog is left at once.
        m_status->setText(tr("Note: Canceling the operation..."));
        QTimer::singleShot(0, this, [this] { QDialog::reject(); });
        return;
    }
    m_ok->setEnabled(false);
    m_cancel->setEnabled(true);
    m_cancel->setFocus();
    m_worker = StartWorker(*m_engine, m_port);
    SetTransferPane(tr("Transferring"));
}

void CTransferDialogBase::Restart(
    const std::function<std::thread(TransferEngine&, const std::string&)>& start) {
    if (m_worker.joinable()) m_worker.join();  // it has reported its end
    m_openFailure->clear();
    m_progress->setValue(0);
    m_worker = start(*m_engine, m_port);
    SetTransferPane(tr("Transferring"));
}

void CTransferDialogBase::SetTransferPane(const QString& text) {
    for (QWidget* widget = parentWidget(); widget != nullptr; widget = widget->parentWidget()) {
        if (auto* frame = qobject_cast<CMainFrame*>(widget)) {
            frame->SetTransferStatus(text);
            return;
        }
    }
}

void CTransferDialogBase::Dispatch(TransferEvent event, std::int32_t value) {
    switch (event) {
        case TransferEvent::Progress:
            OnProgress(value);
            break;
        case TransferEvent::Succeeded:
            OnSucceeded();
            break;
        case TransferEvent::Failed:
            OnFailed(ToLinkStatus(value));
            break;
        case TransferEvent::Warning:
            OnWarning(value);
            break;
    }
}

void CTransferDialogBase::OnProgress(int percent) {
    m_progress->setValue(percent);
}

void CTransferDialogBase::EnterSucceeded(const QString& text) {
    m_progress->setValue(100);
    setWindowTitle(text);
    m_status->setText(text);
    m_ok->setEnabled(true);
    m_cancel->setEnabled(false);
    m_ok->setDefault(true);
    m_ok->setFocus();
    SetTransferPane(tr("Idle"));
}

void CTransferDialogBase::OnFailed(LinkStatus status) {
    m_bFailureShown = true;
    setWindowTitle(FailedTitle());
    m_status->setText(Qs(LinkErrorText(status, LinkTextForm::Dialog)));
    if (status == LinkStatus::PortUnavailable) {
        QString hint = Qs(*m_openFailure);
        if (!hint.isEmpty()) hint += QLatin1Char('\n');
        m_hint->setText(hint + tr("The port in use is %1; another one is chosen in Edit > "
                                  "Preference.")
                                   .arg(Qs(m_port)));
        m_hint->show();
    }
    SetTransferPane(tr("Idle"));
    if (status == LinkStatus::UserCanceled) QDialog::reject();
}

void CTransferDialogBase::OnWarning(std::int32_t) {
    // Only a write warns; any other operation would wait for nothing.
    m_engine->AnswerWarning(true);
}

void CTransferDialogBase::reject() {
    if (!m_cancel->isEnabled()) return;  // after a success only OK leaves
    m_engine->RequestCancel();
    m_status->setText(tr("Note: Canceling the operation..."));
    if (m_bFailureShown || !m_worker.joinable()) QDialog::reject();
}

void CTransferDialogBase::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (m_cancel->isEnabled()) reject();
}

// ---------------------------------------------------------------------------------------------
// Read and write

CReadWriteDialog::CReadWriteDialog(bool readMode, VirtualCP& image, QWidget* parent)
    : CTransferDialogBase(parent), m_bReadMode(readMode), m_image(image) {
    Ui::ReadWriteDialog ui;
    ui.setupUi(this);
    SetControls(ui.ok_1, ui.cancel_2, ui.progress_1009, ui.status_1010, ui.hint_1012);
    m_verify = ui.verify_1013;
    m_differencesView = ui.differences_1014;
    m_differencesView->hide();
    setWindowTitle(readMode ? tr("Read") : tr("Write"));
    Status()->setText(readMode ? tr("Reading from the radio ...") : tr("Writing to the radio ..."));
    m_verify->setVisible(!readMode);
    m_verify->setChecked(VerifyAfterWrite());
    connect(m_verify, &QCheckBox::toggled, this, &CReadWriteDialog::SetVerifyAfterWrite);
}

bool CReadWriteDialog::VerifyAfterWrite() {
    return UserSettings().value(kVerifyKey, false).toBool();
}

void CReadWriteDialog::SetVerifyAfterWrite(bool verify) {
    UserSettings().setValue(kVerifyKey, verify);
}

std::thread CReadWriteDialog::StartWorker(TransferEngine& engine, const std::string& port) {
    return m_bReadMode ? engine.StartRead(m_image, port) : engine.StartWrite(m_image, port);
}

QString CReadWriteDialog::FailedTitle() const {
    return m_bReadMode ? tr("Reading Failed!") : tr("Writing Failed!");
}

void CReadWriteDialog::OnSucceeded() {
    if (m_bReadMode) {
        EnterSucceeded(tr("Reading successful!"));
    } else if (m_bVerifying) {
        FinishVerify();
    } else if (m_verify->isChecked()) {
        StartVerify();
    } else {
        EnterSucceeded(tr("Writing success!"));
    }
}

void CReadWriteDialog::StartVerify() {
    m_bVerifying = true;
    m_verify->setEnabled(false);
    Status()->setText(tr("Writing success!") + QLatin1Char('\n') +
                      tr("Checking: reading the radio back ..."));
    Restart([this](TransferEngine& engine, const std::string& port) {
        return engine.StartRead(m_readBack, port);
    });
}

void CReadWriteDialog::FinishVerify() {
    m_differences.clear();
    for (const std::string& line :
         vex::Differences(ExpectedAfterWrite(m_image, m_readBack.m_limits), m_readBack)) {
        m_differences.append(Qs(line));
    }
    EnterSucceeded(tr("Writing success!"));
    if (m_differences.isEmpty()) {
        Status()->setText(tr("Writing success!") + QLatin1Char('\n') +
                          tr("Checked: the radio holds what was sent."));
        return;
    }
    Status()->setText(tr("Writing success!") + QLatin1Char('\n') +
                      tr("The check found %n difference(s) between the profile and the radio:",
                         nullptr, static_cast<int>(m_differences.size())));
    m_differencesView->setPlainText(m_differences.join(QLatin1Char('\n')));
    m_differencesView->show();
}

void CReadWriteDialog::OnFailed(LinkStatus status) {
    if (m_bVerifying) {
        // The write itself succeeded; only the check could not be made.
        EnterSucceeded(tr("Writing success!"));
        Status()->setText(tr("Writing success!") + QLatin1Char('\n') +
                          tr("The radio could not be read back for the check:"));
        Hint()->setText(LinkFailureText(status, false, OpenFailure()));
        Hint()->show();
        return;
    }
    // A write that failed or was cancelled once it had begun to change the radio.
    const bool halfWritten = !m_bReadMode && Engine().RadioLeftIncomplete();
    if (halfWritten && status == LinkStatus::UserCanceled) {
        ShowMessage(this, Qs(kIncompleteWriteText), mb::kOk | mb::kIconWarning);
    }
    CTransferDialogBase::OnFailed(status);
    if (halfWritten && status != LinkStatus::UserCanceled) {
        const QString portHint = Hint()->isVisible() ? Hint()->text() : QString();
        Hint()->setText(Qs(kIncompleteWriteText) +
                        (portHint.isEmpty() ? QString() : QLatin1Char('\n') + portHint));
        Hint()->show();
    }
}

void CReadWriteDialog::OnWarning(std::int32_t code) {
    if (code == warning::kNotInProfile || code == warning::kUnsupported) {
        const QString text =
            code == warning::kNotInProfile
                ? tr("Warning: The radio being programmed is not in this profile. Do you want to "
                     "continue?")
                : tr("Warning: Some profile information is not supported by the host radio and "
                     "therefore it will not be transferred. Do you want to continue?");
        const int answer = ShowMessage(this, text, mb::kYesNo | mb::kIconWarning);
        Engine().AnswerWarning(answer == mb::kIdYes);
        return;
    }
    ShowMessage(this, tr("Unknown Warning!"), mb::kOk | mb::kIconWarning);
    Engine().AnswerWarning(true);
}

// ---------------------------------------------------------------------------------------------
// Private ID

CReadPidDialog::CReadPidDialog(QWidget* parent) : CTransferDialogBase(parent) {
    g_pidResult.clear();
    Ui::ReadPidDialog ui;
    ui.setupUi(this);
    SetControls(ui.ok_1, ui.cancel_2, ui.progress_1064, ui.status_1063, ui.hint_1066);
    setWindowTitle(Text(10096));
    ui.instruction_1065->setText(tr("Press Home 3 times and then PTT on the other radio."));
    Status()->clear();
}

QString CReadPidDialog::GetPidResult() {
    return Qs(g_pidResult);
}

std::thread CReadPidDialog::StartWorker(TransferEngine& engine, const std::string& port) {
    return engine.StartReadPid(m_result, port);
}

void CReadPidDialog::OnSucceeded() {
    g_pidResult = m_result;
    EnterSucceeded(tr("Reading successful!"));
}

QString CReadPidDialog::FailedTitle() const {
    return tr("Reading Failed!");
}

}  // namespace vex::gui

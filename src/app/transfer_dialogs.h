#pragma once

// The windows of the radio operations: the observer that brings a worker's reports to the user
// interface thread, and the modal progress dialogs of a read, a write (with its read-back check)
// and a private-ID capture.

#include <QDialog>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "codeplug/virtual_cp.h"
#include "link/transfer_engine.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace vex::gui {

// How the application's radio operations reach a radio: the ports (empty: the serial device of
// the port name; tests give a virtual radio's in-memory line) and the time between two polls of a
// private-ID capture.
struct TransferSetup {
    PortFactory ports;
    std::chrono::milliseconds pidPollInterval{3000};
};
// Puts `setup` in place for the operations started from now on; a default TransferSetup puts the
// program's own back.
void SetTransferSetup(TransferSetup setup);

// An engine for one radio operation: the supported compatibility version set, the ports of the
// transfer setup. When a port cannot be opened, `openFailure` receives the reason and what to do.
std::unique_ptr<TransferEngine> MakeTransferEngine(const std::shared_ptr<std::string>& openFailure);

// With no port chosen, asks whether to choose one in the Preference dialog now and shows it; true
// when a port is chosen (before or there).
bool EnsurePortChosen(QWidget* parent);

// What a worker reports, numbered as the link's window message numbers it.
enum class TransferEvent { Progress = 1, Succeeded = 2, Failed = 3, Warning = 4 };

// Passes each report of a worker to `handler` on the thread of `receiver` (a queued call), so
// that no widget is touched from the worker. A report that arrives after `receiver` is gone is
// dropped. The receiver must outlive the worker's calls.
class CGuiTransferObserver : public TransferObserver {
  public:
    using Handler = std::function<void(TransferEvent event, std::int32_t value)>;

    CGuiTransferObserver(QObject* receiver, Handler handler);

    void OnProgress(int percent) override;
    void OnSucceeded() override;
    void OnFailed(LinkStatus status) override;
    void OnWarning(std::int32_t code) override;

  private:
    void Post(TransferEvent event, std::int32_t value);

    QObject* m_receiver;
    Handler m_handler;
};

// The user's text for a failed operation (the dialog or the message-box form), followed by the
// port's open failure when the port could not be had.
QString LinkFailureText(LinkStatus status, bool dialogForm, const std::string& openFailure);

// What the read, write and private-ID dialogs share: the worker, OK and Cancel, the progress, the
// status and hint texts, the main window's transfer-state pane, and the rules for leaving.
//
// The worker starts when the dialog is first shown. Without a port, exec() offers the Preference
// dialog and shows nothing unless a port has been chosen there; a dialog shown without a port
// closes at once. During the transfer Cancel, Escape and the window's close ask the worker to stop
// (the dialog closes when the worker reports that it stopped); after a failure they close it;
// after a success only OK does.
class CTransferDialogBase : public QDialog {
    Q_OBJECT

  public:
    ~CTransferDialogBase() override;

    int exec() override;

    bool FailureShown() const noexcept { return m_bFailureShown; }
    QPushButton* OkButton() const noexcept { return m_ok; }
    QPushButton* CancelButton() const noexcept { return m_cancel; }
    QProgressBar* Progress() const noexcept { return m_progress; }
    QLabel* Status() const noexcept { return m_status; }
    QLabel* Hint() const noexcept { return m_hint; }

  public slots:
    void reject() override;

  protected:
    explicit CTransferDialogBase(QWidget* parent);

    // The controls of the form; called once by the derived constructor.
    void SetControls(QPushButton* ok, QPushButton* cancel, QProgressBar* progress, QLabel* status,
                     QLabel* hint);
    // Starts the operation's worker.
    virtual std::thread StartWorker(TransferEngine& engine, const std::string& port) = 0;
    virtual void OnProgress(int percent);
    virtual void OnSucceeded() = 0;
    virtual void OnFailed(LinkStatus status);
    virtual void OnWarning(std::int32_t code);
    // The title of a failed dialog.
    virtual QString FailedTitle() const = 0;

    // Starts the next worker on the same dialog (the previous one has ended).
    void Restart(const std::function<std::thread(TransferEngine&, const std::string&)>& start);
    // The success state: OK enabled and focused, Cancel disabled, the pane idle.
    void EnterSucceeded(const QString& text);
    void SetTransferPane(const QString& text);
    TransferEngine& Engine() { return *m_engine; }
    const std::string& Port() const noexcept { return m_port; }
    const std::string& OpenFailure() const { return *m_openFailure; }

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void Dispatch(TransferEvent event, std::int32_t value);
    void JoinWorker();

    std::shared_ptr<std::string> m_openFailure = std::make_shared<std::string>();
    std::unique_ptr<TransferEngine> m_engine;
    std::unique_ptr<CGuiTransferObserver> m_observer;
    std::thread m_worker;
    std::string m_port;
    bool m_bStarted = false;
    bool m_bFailureShown = false;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_hint = nullptr;
};

// The progress dialog of a read of the whole radio (into `image`, which changes only when the read
// succeeds) or of a write of `image`. A write may read the radio back afterwards and list where it
// holds something other than what was sent; the check box for that is remembered.
class CReadWriteDialog : public CTransferDialogBase {
    Q_OBJECT

  public:
    CReadWriteDialog(bool readMode, VirtualCP& image, QWidget* parent = nullptr);

    bool ReadMode() const noexcept { return m_bReadMode; }
    // What the read-back check compares the radio with: the written image with the profile's own
    // texts (WithProfileTexts); the written image itself when not given.
    void SetCheckImage(const VirtualCP& wanted) { m_wanted = wanted; }
    QCheckBox* VerifyBox() const noexcept { return m_verify; }
    // The differences the read-back found (empty when none or not verified).
    const QStringList& Differences() const noexcept { return m_differences; }
    QPlainTextEdit* DifferencesView() const noexcept { return m_differencesView; }

    static bool VerifyAfterWrite();
    static void SetVerifyAfterWrite(bool verify);

  protected:
    std::thread StartWorker(TransferEngine& engine, const std::string& port) override;
    void OnSucceeded() override;
    void OnFailed(LinkStatus status) override;
    void OnWarning(std::int32_t code) override;
    QString FailedTitle() const override;

  private:
    void StartVerify();
    void FinishVerify();

    bool m_bReadMode;
    VirtualCP& m_image;
    VirtualCP m_readBack;
    std::optional<VirtualCP> m_wanted;
    bool m_bVerifying = false;
    QStringList m_differences;
    QCheckBox* m_verify = nullptr;
    QPlainTextEdit* m_differencesView = nullptr;
};

// The capture of the private ID that another radio sends over the air.
class CReadPidDialog : public CTransferDialogBase {
    Q_OBJECT

  public:
    explicit CReadPidDialog(QWidget* parent = nullptr);

    // The private ID of the last capture that succeeded; empty after one that did not.
    static QString GetPidResult();

  protected:
    std::thread StartWorker(TransferEngine& engine, const std::string& port) override;
    void OnSucceeded() override;
    QString FailedTitle() const override;

  private:
    std::string m_result;
};

}  // namespace vex::gui

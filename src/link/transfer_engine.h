#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "codeplug/virtual_cp.h"
#include "link/link_status.h"
#include "link/radio_protocol.h"
#include "link/serial_port.h"

namespace vex {

// What a running radio operation reports. Called on the worker thread: a GUI marshals the calls to
// its own thread, the command-line tool prints them.
class TransferObserver {
  public:
    virtual ~TransferObserver() = default;

    // Percent done: 20, 40, 60, 80, 95 (a private-ID read: 20, 40, 60, 80, 100).
    virtual void OnProgress(int percent) = 0;
    virtual void OnSucceeded() = 0;
    virtual void OnFailed(LinkStatus status) = 0;
    // The worker waits after this call until TransferEngine::AnswerWarning (which may also come
    // before the worker begins to wait, or from inside this call). kNotInProfile: the radio being
    // programmed is not in the profile; kUnsupported: the profile holds something the radio does
    // not support.
    virtual void OnWarning(std::int32_t code) = 0;
};

namespace warning {
inline constexpr std::int32_t kNotInProfile = -1;
inline constexpr std::int32_t kUnsupported = -2;
}  // namespace warning

// What a write sends of an image whose limits are the radio's and whose counters are counted: the
// contact slots in the order they go (private groups, then public groups, then privates, each kind
// within the radio's limit for it, all within the total), and the text slots (every non-empty one,
// within the radio's limit). The totals announced with them are ContactTotal and TextTotal.
std::vector<std::size_t> ContactsToSend(const VirtualCP& image);
std::vector<std::size_t> TextsToSend(const VirtualCP& image);
std::uint32_t ContactTotal(const VirtualCP& image);
std::uint32_t TextTotal(const VirtualCP& image);

// Makes the port of an operation from a port name. The default opens a device with SerialPort;
// tests and the virtual radio's in-memory line supply their own, the command line wraps it to trace
// the bytes.
using PortFactory = std::function<std::unique_ptr<SerialPort>(std::string_view portName)>;

// The four radio operations and the link state they share.
//
// Each operation runs on the calling thread from start to end; Start* run it on a worker thread of
// its own. Every operation holds the process-wide operation lock for its whole run, so at most one
// talks to a radio at a time and a second one waits. Between its steps an operation tests the
// cancel flag; it reports through the observer and returns its final status. Nothing throws.
class TransferEngine {
  public:
    explicit TransferEngine(PortFactory factory = {});
    ~TransferEngine();

    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    // The observer that receives the next operations' reports (none: nothing is reported).
    void SetObserver(TransferObserver* observer) { m_notify = observer; }

    // The clone compatibility version a radio must report (10; 0 lets every radio pass).
    void SetExpectedCompatibility(std::uint8_t version) { m_expectedCompatibility = version; }

    // Time between two polls of a private-ID capture (3 s on a real radio).
    void SetPidPollInterval(std::chrono::milliseconds interval) { m_pidPollInterval = interval; }

    // Asks the running operation to stop at its next step (from any thread). The Start* entries
    // clear the request before they start; a caller that runs an operation directly clears it with
    // ClearCancel().
    void RequestCancel();
    void ClearCancel() { m_cancelRequested.store(0); }
    bool CancelRequested() const { return m_cancelRequested.load() != 0; }

    // The answer to a warning: go on, or stop (the operation then fails with UserCanceled).
    void AnswerWarning(bool proceed);

    // Reads the radio into destination, which changes only when the read succeeds.
    LinkStatus ReadOperation(VirtualCP& destination, std::string_view portName);
    // Writes source into the radio.
    LinkStatus WriteOperation(const VirtualCP& source, std::string_view portName);
    LinkStatus ResetOperation(std::string_view portName);
    // Captures the private ID another radio sends over the air (at most 11 characters).
    LinkStatus ReadPidOperation(std::string& result, std::string_view portName);

    // The worker entries: clear the cancel flag and run the operation on a new thread. The caller
    // joins the thread; the references must outlive it.
    std::thread StartRead(VirtualCP& destination, std::string portName);
    std::thread StartWrite(const VirtualCP& source, std::string portName);
    std::thread StartReset(std::string portName);
    std::thread StartReadPid(std::string& result, std::string portName);

    // True after a write that failed or was cancelled once it had begun to change the radio (its
    // settings were sent): show kIncompleteWriteText with the failure.
    bool RadioLeftIncomplete() const { return m_radioLeftIncomplete.load(); }

    // The code of the warning the running write waits on, 0 when none.
    std::int32_t WarningPending() const { return m_warningPending.load(); }

  private:
    class Session;  // the lock, the port and the protocol of one running operation

    void BeginOperation();
    void PostProgress(int percent);
    void PostSucceeded();
    void PostFailed(LinkStatus status);
    // Posts the warning and blocks until AnswerWarning; true when the write may go on.
    bool PostWarningAndWait(std::int32_t code);
    // Waits for `duration` or until a cancel request, whichever comes first.
    void WaitUnlessCancelled(std::chrono::milliseconds duration);
    bool Running() const;  // neither cancelled nor failed
    void Fail(LinkStatus status);
    // Fails with status unless it is Success; true on Success.
    bool Check(LinkStatus status);
    bool IdentifyRadio(RadioProtocol& protocol, VirtualCP& image);
    bool CheckLimits(RadioProtocol& protocol, RadioLimits& limits);
    LinkStatus ResetStep(RadioProtocol& protocol);
    // A read's loop over the contacts or the texts: `get` asks for entry (next, count) into
    // `reply`; `take` stores a record into a 0-based slot, false when it does not decode.
    void ReadNumberedList(
        std::size_t capacity, const std::function<LinkStatus(std::uint8_t, std::uint8_t)>& get,
        const Reply& reply,
        const std::function<bool(std::size_t, std::span<const std::uint8_t>)>& take);
    // The status the operation ends with when it did not succeed, posted unless the opening
    // exchange already posted it.
    LinkStatus Finish(bool cancelFirst);

    PortFactory m_factory;
    TransferObserver* m_notify = nullptr;
    std::atomic<std::int32_t> m_cancelRequested{0};
    std::atomic<std::int32_t> m_operationFailed{0};
    LinkStatus m_lastResult = LinkStatus::Success;
    bool m_failurePosted = false;
    std::atomic<std::int32_t> m_warningPending{0};
    std::atomic<bool> m_radioLeftIncomplete{false};
    // The answer to a warning: a flag under a mutex, so that an answer that comes before the
    // worker waits is not missed and a second answer does no harm.
    std::mutex m_answerMutex;
    std::condition_variable m_answerChanged;
    bool m_warningAnswered = false;
    std::uint8_t m_expectedCompatibility = 10;
    std::chrono::milliseconds m_pidPollInterval{3000};
};

}  // namespace vex

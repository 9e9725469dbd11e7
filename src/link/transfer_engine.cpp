#include "link/transfer_engine.h"

#include <algorithm>
#include <utility>

#include "codeplug/radio_forms.h"

namespace vex {

namespace {

// At most one operation talks to a radio at a time, whichever engine runs it.
std::mutex& OperationLock() {
    static std::mutex lock;
    return lock;
}

std::unique_ptr<SerialPort> OpenDevice(std::string_view portName) {
    return std::make_unique<SerialPort>(portName);
}

// The record that follows the letter of a reply (and, for contacts and texts, index and count).
std::span<const std::uint8_t> After(const Reply& reply, std::size_t header) {
    const auto data = reply.Data();
    return header <= data.size() ? data.subspan(header) : std::span<const std::uint8_t>();
}

constexpr std::size_t kPidCharacters = 11;

}  // namespace

std::uint32_t ContactTotal(const VirtualCP& image) {
    return std::min<std::uint32_t>(image.m_limits.max_num_of_contacts, image.m_counters.contacts);
}

std::uint32_t TextTotal(const VirtualCP& image) {
    return std::min<std::uint32_t>(image.m_limits.max_num_of_predefined_msgs,
                                   image.m_counters.texts);
}

std::vector<std::size_t> ContactsToSend(const VirtualCP& image) {
    std::vector<std::size_t> slots;
    const std::uint32_t total = ContactTotal(image);
    for (const auto type :
         {ContactType::PrivateGroup, ContactType::PublicGroup, ContactType::Private}) {
        const std::uint32_t limit = image.GetMaxContacts(static_cast<int>(type));
        std::uint32_t taken = 0;
        for (std::size_t slot = 0; slot < kContactSlots; ++slot) {
            if (taken >= limit || slots.size() >= total) break;
            if (image.IsContactInUse(slot) && image.m_contacts[slot].IsType(type)) {
                slots.push_back(slot);
                ++taken;
            }
        }
    }
    return slots;
}

std::vector<std::size_t> TextsToSend(const VirtualCP& image) {
    std::vector<std::size_t> slots;
    const std::uint32_t total = TextTotal(image);
    for (std::size_t slot = 0; slot < kTextSlots && slots.size() < total; ++slot) {
        if (!image.m_texts[slot].empty()) slots.push_back(slot);
    }
    return slots;
}

// The lock, the port and the protocol of one operation, released on every way out.
class TransferEngine::Session {
  public:
    Session(const PortFactory& factory, std::string_view portName)
        : m_lock(OperationLock()), m_port(factory(portName)), m_protocol(m_port.get()) {}

    ~Session() {
        if (m_port) m_port->Close();
    }

    RadioProtocol& Protocol() { return m_protocol; }

  private:
    std::lock_guard<std::mutex> m_lock;
    std::unique_ptr<SerialPort> m_port;
    RadioProtocol m_protocol;
};

TransferEngine::TransferEngine(PortFactory factory)
    : m_factory(factory ? std::move(factory) : PortFactory(OpenDevice)) {}

TransferEngine::~TransferEngine() = default;

void TransferEngine::RequestCancel() {
    m_cancelRequested.store(1);
    // Wake a private-ID read between its polls.
    std::lock_guard lock(m_answerMutex);
    m_answerChanged.notify_all();
}

void TransferEngine::AnswerWarning(bool proceed) {
    if (!proceed) m_cancelRequested.store(1);
    std::lock_guard lock(m_answerMutex);
    m_warningAnswered = true;
    m_answerChanged.notify_all();
}

void TransferEngine::BeginOperation() {
    m_operationFailed.store(0);
    m_lastResult = LinkStatus::Success;
    m_failurePosted = false;
    m_warningPending.store(0);
    m_radioLeftIncomplete.store(false);
}

void TransferEngine::PostProgress(int percent) {
    if (m_notify != nullptr) m_notify->OnProgress(percent);
}

void TransferEngine::PostSucceeded() {
    if (m_notify != nullptr) m_notify->OnSucceeded();
}

void TransferEngine::PostFailed(LinkStatus status) {
    m_failurePosted = true;
    if (m_notify != nullptr) m_notify->OnFailed(status);
}

bool TransferEngine::PostWarningAndWait(std::int32_t code) {
    m_warningPending.store(code);
    if (m_notify == nullptr) {
        // Nobody to ask: do not change a radio without consent.
        m_cancelRequested.store(1);
        return false;
    }
    {
        std::lock_guard lock(m_answerMutex);
        m_warningAnswered = false;
    }
    m_notify->OnWarning(code);
    std::unique_lock lock(m_answerMutex);
    m_answerChanged.wait(lock, [this] { return m_warningAnswered; });
    return !CancelRequested();
}

void TransferEngine::WaitUnlessCancelled(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_answerMutex);
    m_answerChanged.wait_for(lock, duration, [this] { return CancelRequested(); });
}

bool TransferEngine::Running() const {
    return m_cancelRequested.load() == 0 && m_operationFailed.load() == 0;
}

void TransferEngine::Fail(LinkStatus status) {
    m_operationFailed.store(1);
    m_lastResult = status;
}

bool TransferEngine::Check(LinkStatus status) {
    if (status == LinkStatus::Success) return true;
    Fail(status);
    return false;
}

// GetVersion, then ConfirmLink. Posts its own failure, so the operations do not post it again.
bool TransferEngine::IdentifyRadio(RadioProtocol& protocol, VirtualCP& image) {
    if (!Running()) return false;
    Reply reply;
    LinkStatus status = protocol.GetVersion(reply);
    if (status == LinkStatus::Success) {
        VersionInfo version;
        if (RadioProtocol::AcceptVersion(After(reply, 1), version)) {
            image.m_version = version;
        } else {
            status = LinkStatus::VersionUnsupported;
        }
    }
    if (status == LinkStatus::Success) status = protocol.ConfirmLink(reply);
    if (status != LinkStatus::Success) {
        Fail(status);
        PostFailed(status);
        return false;
    }
    return true;
}

// GetLimits into `limits` (which holds the defaults), then the compatibility test.
bool TransferEngine::CheckLimits(RadioProtocol& protocol, RadioLimits& limits) {
    if (!Running()) return false;
    Reply reply;
    if (!Check(protocol.GetLimits(reply))) return false;
    if (!DecodeRadioLimits(After(reply, 1), limits)) {
        Fail(LinkStatus::OperationFailed);
        return false;
    }
    VirtualCP scratch;
    scratch.m_limits = limits;
    if (!scratch.IsCloneCompatible(m_expectedCompatibility)) {
        Fail(LinkStatus::ModelUnsupported);
        return false;
    }
    return true;
}

LinkStatus TransferEngine::Finish(bool cancelFirst) {
    LinkStatus result = m_lastResult;
    const bool failed = m_operationFailed.load() != 0;
    if (CancelRequested() && (cancelFirst || !failed)) result = LinkStatus::UserCanceled;
    if (!m_failurePosted) PostFailed(result);
    return result;
}

// The radio numbers the entries of a list 1..n; each reply names its own index and the count.
//   host: Get(next, count)      radio: letter i n <record>
// The loop ends at a reply with count 0, an index 0, past the capacity or past the count.
void TransferEngine::ReadNumberedList(
    std::size_t capacity, const std::function<LinkStatus(std::uint8_t, std::uint8_t)>& get,
    const Reply& reply,
    const std::function<bool(std::size_t, std::span<const std::uint8_t>)>& take) {
    std::uint32_t next = 0;
    std::uint32_t count = 0;
    while (next <= count && Running()) {
        if (!Check(get(static_cast<std::uint8_t>(next), static_cast<std::uint8_t>(count)))) break;
        if (reply.length < 3) {
            Fail(LinkStatus::OperationFailed);
            break;
        }
        const std::uint32_t i = reply.data[1];
        count = reply.data[2];
        if (count == 0 || i == 0 || i > capacity || i > count) break;
        if (!take(i - 1, After(reply, 3))) {
            Fail(LinkStatus::OperationFailed);
            break;
        }
        next = i + 1;
    }
}

LinkStatus TransferEngine::ReadOperation(VirtualCP& destination, std::string_view portName) {
    Session session(m_factory, portName);
    BeginOperation();
    RadioProtocol& protocol = session.Protocol();
    VirtualCP result;
    Reply reply;

    if (IdentifyRadio(protocol, result)) PostProgress(20);

    RadioLimits limits;
    if (CheckLimits(protocol, limits)) {
        result.m_limits = limits;
        PostProgress(40);
    }

    if (Running() && Check(protocol.GetSettings(reply))) {
        if (DecodeRadioSettings(After(reply, 1), result.m_settings)) {
            PostProgress(60);
        } else {
            Fail(LinkStatus::OperationFailed);
        }
    }

    ReadNumberedList(
        kContactSlots,
        [&](std::uint8_t next, std::uint8_t count) {
            return protocol.GetContact(next, count, reply);
        },
        reply,
        [&](std::size_t slot, std::span<const std::uint8_t> form) {
            return DecodeContactRecord(form, result.m_contacts[slot]);
        });
    if (Running()) {
        result.NormaliseGroupLinks();
        PostProgress(80);
    }
    ReadNumberedList(
        kTextSlots,
        [&](std::uint8_t next, std::uint8_t count) {
            return protocol.GetTextMessage(next, count, reply);
        },
        reply,
        [&](std::size_t slot, std::span<const std::uint8_t> form) {
            return DecodeTextMessage(form, result.m_texts[slot]);
        });

    if (Running()) {
        result.ApplySettingsToOwnRecord();
        destination = std::move(result);
        PostSucceeded();
        return LinkStatus::Success;
    }
    return Finish(/*cancelFirst=*/true);
}

LinkStatus TransferEngine::WriteOperation(const VirtualCP& source, std::string_view portName) {
    Session session(m_factory, portName);
    BeginOperation();
    RadioProtocol& protocol = session.Protocol();
    VirtualCP work = source;
    work.CountContacts();
    Reply reply;

    if (IdentifyRadio(protocol, work)) PostProgress(20);

    RadioLimits radio;
    CheckLimits(protocol, radio);
    if (Running() && work.ExceedsRadioLimits(radio)) {
        PostWarningAndWait(warning::kUnsupported);
    }
    if (Running() && work.HasNoPrivateWithPid(radio.pid)) {
        PostWarningAndWait(warning::kNotInProfile);
    }
    if (Running()) {
        work.m_limits = radio;
        m_warningPending.store(0);
        PostProgress(40);
    }

    if (Running()) {
        work.ApplyOwnFlagsToSettings(&radio.pid);
        if (const auto form = EncodeRadioSettings(work.m_settings)) {
            // From here on the radio may hold part of this profile until the write ends.
            m_radioLeftIncomplete.store(true);
            if (Check(protocol.PutSettings(*form, reply))) PostProgress(60);
        } else {
            Fail(LinkStatus::MessageCompose);
        }
    }

    // Contacts, numbered 1..n in the order they go, each announced with the total.
    //   host: PutContact(running, total) <record>     radio: 'P'
    const std::uint32_t total = ContactTotal(work);
    if (Running() && total == 0) {
        Check(protocol.PutContact(0, 0, {}, reply));
    } else if (Running()) {
        std::uint32_t running = 1;
        for (const std::size_t slot : ContactsToSend(work)) {
            if (!Running()) break;
            const auto form = EncodeContactRecord(work.m_contacts[slot]);
            if (!form) {
                Fail(LinkStatus::MessageCompose);
                break;
            }
            if (!Check(protocol.PutContact(static_cast<std::uint8_t>(running),
                                           static_cast<std::uint8_t>(total), *form, reply))) {
                break;
            }
            ++running;
        }
    }
    if (Running()) PostProgress(80);

    // Every non-empty text message, numbered 1..n without a gap, however the slots are used.
    const std::uint32_t texts = TextTotal(work);
    if (Running() && texts == 0) {
        Check(protocol.PutTextMessage(0, 0, {}, reply));
    } else if (Running()) {
        std::uint32_t number = 1;
        for (const std::size_t slot : TextsToSend(work)) {
            if (!Running()) break;
            const auto form = EncodeTextMessage(work.m_texts[slot]);
            if (!form) {
                Fail(LinkStatus::MessageCompose);
                break;
            }
            if (!Check(protocol.PutTextMessage(static_cast<std::uint8_t>(number),
                                               static_cast<std::uint8_t>(texts), *form, reply))) {
                break;
            }
            ++number;
        }
    }

    if (Running()) {
        PostProgress(95);
        if (Check(protocol.EndWrite(reply))) {
            m_radioLeftIncomplete.store(false);
            PostSucceeded();
            return LinkStatus::Success;
        }
    }
    // A cancelled or failed write reports once; the radio keeps what was sent before.
    return Finish(/*cancelFirst=*/false);
}

LinkStatus TransferEngine::ResetOperation(std::string_view portName) {
    Session session(m_factory, portName);
    BeginOperation();
    return ResetStep(session.Protocol());
}

LinkStatus TransferEngine::ResetStep(RadioProtocol& protocol) {
    if (CancelRequested()) {
        PostFailed(LinkStatus::UserCanceled);
        return LinkStatus::UserCanceled;
    }
    RadioLimits limits;
    Reply reply;
    if (CheckLimits(protocol, limits)) Check(protocol.ResetRadio(reply));
    if (Running()) {
        PostSucceeded();
        return LinkStatus::Success;
    }
    return Finish(/*cancelFirst=*/true);
}

LinkStatus TransferEngine::ReadPidOperation(std::string& result, std::string_view portName) {
    Session session(m_factory, portName);
    BeginOperation();
    RadioProtocol& protocol = session.Protocol();
    result.clear();
    Reply reply;

    VirtualCP scratch;
    if (!IdentifyRadio(protocol, scratch)) return Finish(true);
    RadioLimits limits;
    if (!CheckLimits(protocol, limits)) return Finish(true);
    PostProgress(20);

    if (!Running()) return Finish(true);
    const LinkStatus started = protocol.StartPidCapture(reply);
    if (started != LinkStatus::Success || reply.length < 2 ||
        reply.data[1] != pid_state::kCapturing) {
        Fail(LinkStatus::RadioBusy);
        return Finish(true);
    }

    // The other radio's user has four polls, about 12 seconds, to send the ID.
    for (int progress = 20;;) {
        if (progress >= 100) {
            Fail(LinkStatus::TimedOut);
            return Finish(true);
        }
        WaitUnlessCancelled(m_pidPollInterval);
        if (!Running()) return Finish(true);
        const LinkStatus status = protocol.PollPid(reply);
        if (status == LinkStatus::Success) {
            // 'S' 2 <pid> 0: at most 11 characters, never past the reply.
            const auto text = After(reply, 2);
            std::size_t length = 0;
            while (length < text.size() && length < kPidCharacters && text[length] != 0) ++length;
            result.assign(reinterpret_cast<const char*>(text.data()), length);
            PostSucceeded();
            return LinkStatus::Success;
        }
        if (status != LinkStatus::TimedOut) {
            Fail(status);
            return Finish(true);
        }
        m_lastResult = status;
        progress += 20;
        PostProgress(progress);
    }
}

std::thread TransferEngine::StartRead(VirtualCP& destination, std::string portName) {
    ClearCancel();
    return std::thread(
        [this, &destination, port = std::move(portName)] { ReadOperation(destination, port); });
}

std::thread TransferEngine::StartWrite(const VirtualCP& source, std::string portName) {
    ClearCancel();
    return std::thread(
        [this, &source, port = std::move(portName)] { WriteOperation(source, port); });
}

std::thread TransferEngine::StartReset(std::string portName) {
    ClearCancel();
    return std::thread([this, port = std::move(portName)] { ResetOperation(port); });
}

std::thread TransferEngine::StartReadPid(std::string& result, std::string portName) {
    ClearCancel();
    return std::thread(
        [this, &result, port = std::move(portName)] { ReadPidOperation(result, port); });
}

}  // namespace vex

#include "sim/memory_line.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace vex::sim {

namespace detail {

struct MemoryLineState {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::uint8_t> toRadio;
    std::deque<std::uint8_t> toHost;
    bool hostOpen = false;
    bool hungUp = false;
};

}  // namespace detail

namespace {

using detail::MemoryLineState;

// A serial port reads at most this long per requested byte.
constexpr std::chrono::milliseconds kReadLimitPerByte{100};

class MemoryRadioEnd final : public RadioLine {
  public:
    explicit MemoryRadioEnd(std::shared_ptr<MemoryLineState> state) : m_state(std::move(state)) {}

    std::optional<std::uint8_t> ReadByte(std::chrono::milliseconds timeout) override {
        std::unique_lock lock(m_state->mutex);
        const bool ready = m_state->changed.wait_for(
            lock, timeout, [this] { return !m_state->hungUp && !m_state->toRadio.empty(); });
        if (!ready) return std::nullopt;
        const std::uint8_t byte = m_state->toRadio.front();
        m_state->toRadio.pop_front();
        return byte;
    }

    bool Write(std::span<const std::uint8_t> bytes) override {
        std::lock_guard lock(m_state->mutex);
        if (m_state->hungUp) return false;
        m_state->toHost.insert(m_state->toHost.end(), bytes.begin(), bytes.end());
        m_state->changed.notify_all();
        return true;
    }

    void HangUp() override {
        std::lock_guard lock(m_state->mutex);
        m_state->hungUp = true;
        m_state->toRadio.clear();
        m_state->toHost.clear();
        m_state->changed.notify_all();
    }

    bool IsHungUp() const override {
        std::lock_guard lock(m_state->mutex);
        return m_state->hungUp;
    }

  private:
    std::shared_ptr<MemoryLineState> m_state;
};

class MemoryHostPort final : public SerialPort {
  public:
    explicit MemoryHostPort(std::shared_ptr<MemoryLineState> state) : m_state(std::move(state)) {
        std::lock_guard lock(m_state->mutex);
        if (m_state->hostOpen) {
            m_lastError = EBUSY;
            return;
        }
        m_state->hostOpen = true;
        m_state->toHost.clear();
        m_open = true;
    }

    ~MemoryHostPort() override { MemoryHostPort::Close(); }

    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count, bool exact) override {
        if (!m_open || buffer == nullptr) return 0;
        std::unique_lock lock(m_state->mutex);
        if (m_state->hungUp) {
            m_lastError = EIO;
            return 0;
        }
        std::uint32_t done = 0;
        const auto take = [&] {
            while (done < count && !m_state->toHost.empty()) {
                buffer[done++] = m_state->toHost.front();
                m_state->toHost.pop_front();
            }
        };
        take();
        if (exact) {
            const auto deadline = std::chrono::steady_clock::now() + kReadLimitPerByte * count;
            while (done < count && !m_state->hungUp) {
                if (!m_state->changed.wait_until(lock, deadline, [this] {
                        return !m_state->toHost.empty() || m_state->hungUp;
                    })) {
                    break;
                }
                take();
            }
        }
        return static_cast<std::int32_t>(done);
    }

    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count) override {
        if (!m_open || buffer == nullptr) return 0;
        std::lock_guard lock(m_state->mutex);
        if (m_state->hungUp) {
            m_lastError = EIO;
            return 0;
        }
        m_state->toRadio.insert(m_state->toRadio.end(), buffer, buffer + count);
        m_state->changed.notify_all();
        return static_cast<std::int32_t>(count);
    }

    bool Purge(std::uint32_t flags) override {
        if (!m_open) return false;
        std::lock_guard lock(m_state->mutex);
        // What the host wrote is on the line already; only the input queue can be dropped.
        if ((flags & purge::kClearInput) != 0) m_state->toHost.clear();
        return true;
    }

    bool ClearErrors(std::uint32_t* queueStatus, std::uint32_t* errorMask) override {
        if (!m_open) return false;
        m_lastError = 0;
        std::lock_guard lock(m_state->mutex);
        if (queueStatus != nullptr)
            *queueStatus = static_cast<std::uint32_t>(m_state->toHost.size());
        if (errorMask != nullptr) *errorMask = 0;
        return true;
    }

    bool Close() override {
        if (!m_open) return true;
        m_open = false;
        std::lock_guard lock(m_state->mutex);
        m_state->hostOpen = false;
        m_state->toHost.clear();
        return true;
    }

    bool IsOpen() const override { return m_open; }

  private:
    std::shared_ptr<MemoryLineState> m_state;
    bool m_open = false;
};

}  // namespace

MemoryLine::MemoryLine()
    : m_state(std::make_shared<MemoryLineState>()),
      m_radioEnd(std::make_unique<MemoryRadioEnd>(m_state)) {}

MemoryLine::~MemoryLine() = default;

std::unique_ptr<SerialPort> MemoryLine::OpenHostPort() {
    return std::make_unique<MemoryHostPort>(m_state);
}

PortFactory MemoryLine::HostPortFactory() {
    return [state = m_state](std::string_view) -> std::unique_ptr<SerialPort> {
        return std::make_unique<MemoryHostPort>(state);
    };
}

}  // namespace vex::sim

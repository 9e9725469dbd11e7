#include "cli/trace_port.h"

namespace vex::cli {

TracingPort::TracingPort(std::unique_ptr<SerialPort> inner, std::FILE* trace)
    : m_inner(std::move(inner)), m_trace(trace), m_start(std::chrono::steady_clock::now()) {
    Sync();
    std::fprintf(m_trace, "# port %s%s\n", m_inner->PortName().c_str(),
                 m_inner->IsOpen() ? "" : " (not opened)");
}

TracingPort::~TracingPort() {
    FlushReceived();
}

void TracingPort::Line(char direction, const std::uint8_t* bytes, std::size_t count) {
    const auto at = direction == '<' ? m_receivedAt : std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(at - m_start).count();
    std::fprintf(m_trace, "%10.6f %c", seconds, direction);
    for (std::size_t i = 0; i < count; ++i) std::fprintf(m_trace, " %02X", bytes[i]);
    std::fputc('\n', m_trace);
    std::fflush(m_trace);
}

void TracingPort::FlushReceived() {
    if (m_received.empty()) return;
    Line('<', m_received.data(), m_received.size());
    m_received.clear();
}

std::int32_t TracingPort::Read(std::uint8_t* buffer, std::uint32_t count, bool exact) {
    const std::int32_t n = m_inner->Read(buffer, count, exact);
    Sync();
    if (n > 0) {
        if (m_received.empty()) m_receivedAt = std::chrono::steady_clock::now();
        m_received.insert(m_received.end(), buffer, buffer + n);
    }
    return n;
}

std::int32_t TracingPort::Write(const std::uint8_t* buffer, std::uint32_t count) {
    FlushReceived();
    const std::int32_t n = m_inner->Write(buffer, count);
    Sync();
    Line('>', buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    return n;
}

bool TracingPort::Purge(std::uint32_t flags) {
    FlushReceived();
    const bool ok = m_inner->Purge(flags);
    Sync();
    return ok;
}

bool TracingPort::ClearErrors(std::uint32_t* queueStatus, std::uint32_t* errorMask) {
    const bool ok = m_inner->ClearErrors(queueStatus, errorMask);
    Sync();
    return ok;
}

bool TracingPort::Close() {
    FlushReceived();
    const bool ok = m_inner->Close();
    Sync();
    return ok;
}

}  // namespace vex::cli

#include "sim/background_radio.h"

#include <utility>

namespace vex::sim {

namespace {

RadioLine& LineOf(MemoryLine* memory, PtyLine* pty) {
    if (memory != nullptr) return memory->RadioEnd();
    return *pty;
}

}  // namespace

BackgroundRadio::BackgroundRadio(VirtualCP image, std::unique_ptr<MemoryLine> memory,
                                 std::unique_ptr<PtyLine> pty)
    : m_memory(std::move(memory)),
      m_pty(std::move(pty)),
      m_radio(std::move(image)),
      m_server(m_radio, LineOf(m_memory.get(), m_pty.get())),
      m_thread(m_server) {}

BackgroundRadio::~BackgroundRadio() {
    m_thread.Stop();
}

std::unique_ptr<BackgroundRadio> BackgroundRadio::OnMemoryLine(VirtualCP image) {
    return std::unique_ptr<BackgroundRadio>(
        new BackgroundRadio(std::move(image), std::make_unique<MemoryLine>(), nullptr));
}

std::unique_ptr<BackgroundRadio> BackgroundRadio::OnPseudoTerminal(VirtualCP image,
                                                                   std::string& error) {
    auto pty = PtyLine::Open(error);
    if (!pty) return nullptr;
    return std::unique_ptr<BackgroundRadio>(
        new BackgroundRadio(std::move(image), nullptr, std::move(pty)));
}

PortFactory BackgroundRadio::HostPorts() {
    if (m_memory) return m_memory->HostPortFactory();
    return [device = m_pty->DevicePath()](std::string_view) {
        return std::make_unique<SerialPort>(device);
    };
}

std::string BackgroundRadio::DevicePath() const {
    return m_pty ? m_pty->DevicePath() : "";
}

}  // namespace vex::sim

#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace vex::sim {

// The radio's end of a line to the host: what the radio's serve loop reads the host's bytes from
// and writes its replies to. Used by the one thread that serves the radio.
class RadioLine {
  public:
    virtual ~RadioLine() = default;

    // The next byte from the host, waiting at most `timeout`; nullopt when none came (and on a
    // line that is down, after the wait: the serve loop keeps its pace).
    virtual std::optional<std::uint8_t> ReadByte(std::chrono::milliseconds timeout) = 0;

    // Sends bytes to the host; false when the line is down.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;

    // The radio drops the line for good: the host's reads and writes fail from now on.
    virtual void HangUp() = 0;
    virtual bool IsHungUp() const = 0;
};

}  // namespace vex::sim

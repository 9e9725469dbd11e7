// The host's radio protocol against the virtual radio over the in-memory line.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "link/radio_protocol.h"
#include "sim/background_radio.h"
#include "sim/default_radio.h"

namespace vex::sim {
namespace {

using Clock = std::chrono::steady_clock;

class HostLink : public ::testing::Test {
  protected:
    void Serve(std::initializer_list<const char*> faults = {}) {
        m_radio = BackgroundRadio::OnMemoryLine(DefaultRadioImage());
        for (const char* text : faults) {
            std::string error;
            const auto fault = ParseFault(text, error);
            ASSERT_TRUE(fault) << error;
            m_radio->Server().AddFault(*fault);
        }
        m_radio->Start();
        m_port = m_radio->HostPorts()("memory");
        ASSERT_TRUE(m_port->IsOpen());
        m_protocol = std::make_unique<RadioProtocol>(m_port.get());
    }

    std::unique_ptr<BackgroundRadio> m_radio;
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<RadioProtocol> m_protocol;
    Reply m_reply;
};

// Each fault kind against each command is the CLI's fault matrix; here what it leaves out: a fault
// aimed at one command, a count, the state that carries a length, other frame types.
TEST_F(HostLink, EachFaultGivesTheStatusItStandsFor) {
    using Call = std::function<LinkStatus(RadioProtocol&, Reply&)>;
    const Call EndWrite = [](RadioProtocol& p, Reply& r) { return p.EndWrite(r); };
    const Call PutContactZero = [](RadioProtocol& p, Reply& r) {
        return p.PutContact(0, 0, {}, r);
    };
    const Call Version = [](RadioProtocol& p, Reply& r) { return p.GetVersion(r); };
    struct FaultCase {
        const char* fault;
        Call command;
        LinkStatus expected;
    };
    const FaultCase cases[] = {
        {"q:FE@PutContact", PutContactZero, LinkStatus::RadioBusy},
        {"s:2", EndWrite, ToLinkStatus(2)},  // the reply's length: a failure of its own
        {"type:80", Version, LinkStatus::InvalidOpcode},
        {"type:55", Version, LinkStatus::InvalidOpcode},
        {"checksum/2", Version, LinkStatus::Success},
        {"q:FE@PutContact", EndWrite, LinkStatus::Success},  // another command: not touched
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.fault);
        Serve({c.fault});
        EXPECT_EQ(c.command(*m_protocol, m_reply), c.expected);
    }
}

TEST_F(HostLink, ASilentRadioIsNoConnectionAfterAboutASecond) {
    Serve({"silence"});
    const auto start = Clock::now();
    EXPECT_EQ(m_protocol->GetVersion(m_reply), LinkStatus::NoConnection);
    const auto took = Clock::now() - start;
    EXPECT_GT(took, std::chrono::milliseconds(500));  // the reads really waited
    EXPECT_LT(took, std::chrono::seconds(5));
    // The radio heard all three exchanges and kept quiet.
    EXPECT_EQ(m_radio->Server().Stats().Frames(opcode::kGetVersion), 3u);
    EXPECT_EQ(m_radio->Server().Stats().replies, 0u);
}

TEST_F(HostLink, PacedRepliesTakeLineTime) {
    Serve();
    m_radio->Server().SetPacing(
        Pacing{true, std::chrono::microseconds(1042), std::chrono::microseconds(2000)});
    // GetLimits: 4 bytes in, about 70 bytes out: some 80 ms at 9600 baud.
    const auto start = Clock::now();
    ASSERT_EQ(m_protocol->GetLimits(m_reply), LinkStatus::Success);
    const auto took = Clock::now() - start;
    const RadioStats stats = m_radio->Server().Stats();
    EXPECT_GE(took, std::chrono::microseconds(1042) * (4 + stats.bytesOut - 1));
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_EQ(stats.Frames(), 1u);
    EXPECT_EQ(stats.Frames(opcode::kGetLimits), 1u);
    EXPECT_EQ(stats.bytesIn, 4u);  // a short frame without payload
}

}  // namespace
}  // namespace vex::sim

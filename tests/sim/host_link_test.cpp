// The host's radio protocol against the virtual radio over the in-memory line.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>

#include "codeplug/radio_forms.h"
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

TEST_F(HostLink, CommandsDecodeToTheRadiosBlocks) {
    Serve();
    const VirtualCP radio = m_radio->Radio().Image();

    ASSERT_EQ(m_protocol->GetVersion(m_reply), LinkStatus::Success);
    VersionInfo version;
    EXPECT_TRUE(RadioProtocol::AcceptVersion(m_reply.Data().subspan(1), version));
    EXPECT_EQ(version, radio.m_version);

    EXPECT_EQ(m_protocol->ConfirmLink(m_reply), LinkStatus::Success);

    ASSERT_EQ(m_protocol->GetLimits(m_reply), LinkStatus::Success);
    RadioLimits limits;
    ASSERT_TRUE(DecodeRadioLimits(m_reply.Data().subspan(1), limits));
    EXPECT_EQ(limits, radio.m_limits);

    ASSERT_EQ(m_protocol->GetSettings(m_reply), LinkStatus::Success);
    RadioSettings settings;
    ASSERT_TRUE(DecodeRadioSettings(m_reply.Data().subspan(1), settings));
    EXPECT_EQ(settings, radio.m_settings);

    const RadioStats stats = m_radio->Server().Stats();
    EXPECT_EQ(stats.Frames(), 4u);
    EXPECT_EQ(stats.Frames(opcode::kGetLimits), 1u);
    EXPECT_EQ(stats.bytesIn, 4u * 4u);  // four short frames without payload
    EXPECT_GT(stats.bytesOut, stats.bytesIn);
}

struct FaultCase {
    const char* fault;
    std::function<LinkStatus(RadioProtocol&, Reply&)> command;
    LinkStatus expected;
};

LinkStatus EndWrite(RadioProtocol& p, Reply& r) {
    return p.EndWrite(r);
}
LinkStatus PutContactZero(RadioProtocol& p, Reply& r) {
    return p.PutContact(0, 0, {}, r);
}
LinkStatus Poll(RadioProtocol& p, Reply& r) {
    return p.PollPid(r);
}
LinkStatus Version(RadioProtocol& p, Reply& r) {
    return p.GetVersion(r);
}

TEST_F(HostLink, EachFaultGivesTheStatusItStandsFor) {
    const FaultCase cases[] = {
        {"q:FE@PutContact", PutContactZero, LinkStatus::RadioBusy},
        {"q:FD", EndWrite, LinkStatus::ResetOrWriteFirst},
        {"q:01", EndWrite, LinkStatus::OperationFailed},
        {"s:1", EndWrite, LinkStatus::TimedOut},
        {"s:4@PollPid", Poll, LinkStatus::OperationUnsupported},
        {"s:2", EndWrite, ToLinkStatus(2)},  // the reply's length: a failure of its own
        {"rejected:0", Version, LinkStatus::EarlierFirmware},
        {"rejected:1", Version, LinkStatus::InvalidOpcode},
        {"type:80", Version, LinkStatus::InvalidOpcode},
        {"type:55", Version, LinkStatus::InvalidOpcode},
        {"checksum/2", Version, LinkStatus::Success},
        {"checksum", Version, LinkStatus::PortUnavailable},
        {"leadin", Version, LinkStatus::NoConnection},
        {"noise:6", Version, LinkStatus::Success},
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

TEST_F(HostLink, ADroppedOrHungUpLineAnswersNoMore) {
    for (const char* fault : {"drop:1", "hangup:1"}) {
        SCOPED_TRACE(fault);
        Serve({fault});
        EXPECT_EQ(m_protocol->ConfirmLink(m_reply), LinkStatus::Success);
        EXPECT_EQ(m_protocol->GetVersion(m_reply), LinkStatus::NoConnection);
    }
}

TEST_F(HostLink, ASecondHostPortIsBusyWhileTheFirstIsOpen) {
    Serve();
    auto second = m_radio->HostPorts()("memory");
    EXPECT_FALSE(second->IsOpen());
    EXPECT_EQ(second->LastError(), static_cast<std::uint32_t>(EBUSY));
    RadioProtocol blocked(second.get());
    EXPECT_EQ(blocked.ConfirmLink(m_reply), LinkStatus::PortUnavailable);

    m_port->Close();
    auto third = m_radio->HostPorts()("memory");
    ASSERT_TRUE(third->IsOpen());
    RadioProtocol reopened(third.get());
    EXPECT_EQ(reopened.ConfirmLink(m_reply), LinkStatus::Success);
}

TEST_F(HostLink, PacedRepliesTakeLineTime) {
    Serve();
    m_radio->Server().SetPacing(
        Pacing{true, std::chrono::microseconds(1042), std::chrono::microseconds(2000)});
    // GetLimits: 4 bytes in, about 70 bytes out: some 80 ms at 9600 baud.
    const auto start = Clock::now();
    ASSERT_EQ(m_protocol->GetLimits(m_reply), LinkStatus::Success);
    const auto took = Clock::now() - start;
    const auto replyBytes = m_radio->Server().Stats().bytesOut;
    EXPECT_GE(took, std::chrono::microseconds(1042) * (4 + replyBytes - 1));
    EXPECT_LT(took, std::chrono::seconds(2));
}

}  // namespace
}  // namespace vex::sim

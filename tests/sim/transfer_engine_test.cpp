// The four radio operations against the virtual radio: in memory for the protocol's corner cases,
// over a pseudo-terminal for the real port.

#include "link/transfer_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "codeplug/data_adaptor.h"
#include "model/radio_data_model.h"
#include "sim/background_radio.h"
#include "sim/default_radio.h"
#include "sim/faults.h"
#include "sim_test_support.h"
#include "support/contacts.h"
#include "support/image_printers.h"

namespace vex {
namespace {

using sim::BackgroundRadio;
namespace test = sim::test;
using ::testing::ElementsAre;

// Records what an operation reports, answers warnings as told, and cancels the operation once it
// has reported `cancelAt`. The record reads "20 40 failed -8": each progress as its percentage,
// then "succeeded" or "failed <code>"; a warning as "warning <code>".
class Recorder : public TransferObserver {
  public:
    explicit Recorder(TransferEngine& engine, bool proceed = true)
        : m_engine(engine), m_proceed(proceed) {}

    void CancelAt(std::string event) { m_cancelAt = std::move(event); }

    void OnProgress(int percent) override { Add(std::to_string(percent)); }
    void OnSucceeded() override { Add("succeeded"); }
    void OnFailed(LinkStatus status) override { Add("failed " + std::to_string(ToInt(status))); }
    void OnWarning(std::int32_t code) override {
        Add("warning " + std::to_string(code));
        m_engine.AnswerWarning(m_proceed);
    }

    std::string Events() {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

  private:
    void Add(std::string event) {
        if (event == m_cancelAt) m_engine.RequestCancel();
        std::lock_guard lock(m_mutex);
        m_events += (m_events.empty() ? "" : " ") + event;
    }

    TransferEngine& m_engine;
    bool m_proceed;
    std::string m_cancelAt;
    std::mutex m_mutex;
    std::string m_events;
};

// A radio on an in-memory line, an engine talking to it and a recorder of what it reports.
struct Bench {
    explicit Bench(VirtualCP image = sim::DefaultRadioImage(), bool proceed = true)
        : radio(BackgroundRadio::OnMemoryLine(std::move(image))),
          engine(radio->HostPorts()),
          recorder(engine, proceed) {
        engine.SetObserver(&recorder);
        engine.SetPidPollInterval(std::chrono::milliseconds(5));
        radio->Start();
    }

    void AddFault(const char* text) {
        std::string error;
        const auto fault = sim::ParseFault(text, error);
        ASSERT_TRUE(fault) << error;
        radio->Server().AddFault(*fault);
    }

    std::uint64_t Frames(std::uint8_t opcode) { return radio->Server().Stats().Frames(opcode); }

    std::unique_ptr<BackgroundRadio> radio;
    TransferEngine engine;
    Recorder recorder;
};

VirtualCP BlankRadio() {
    VirtualCP image = sim::DefaultRadioImage();
    for (auto& c : image.m_contacts) c = ContactRecord();
    for (auto& t : image.m_texts) t.clear();
    return image;
}

// The contacts in use as a set (a write sends groups first), each as a radio form carries it. A
// read gives the home group the last parent slot: with `groupsAsASet` a private's groups are a set.
std::vector<ContactRecord> ContactSet(const VirtualCP& image, bool groupsAsASet) {
    std::vector<ContactRecord> contacts = test::CarriedContacts(image);
    for (ContactRecord& c : contacts) {
        if (groupsAsASet) std::sort(c.parent_groups.begin(), c.parent_groups.end());
    }
    std::sort(contacts.begin(), contacts.end(), [](const ContactRecord& a, const ContactRecord& b) {
        return std::tie(a.cntct_type, a.pid) < std::tie(b.cntct_type, b.pid);
    });
    return contacts;
}

TEST(Transfers, AReadWrittenIntoAnotherRadioGivesItTheSameCodeplug) {
    Bench first;
    VirtualCP read;
    EXPECT_EQ(first.engine.ReadOperation(read, "mem"), LinkStatus::Success);
    EXPECT_EQ(first.recorder.Events(), "20 40 60 80 succeeded");
    const VirtualCP radio = first.radio->Radio().Image();
    EXPECT_EQ(read.m_version, radio.m_version);
    EXPECT_EQ(read.m_limits, radio.m_limits);
    EXPECT_EQ(read.m_settings, radio.m_settings);
    EXPECT_EQ(read.m_texts, radio.m_texts);
    EXPECT_EQ(test::CarriedContacts(read), test::CarriedContacts(radio));

    Bench second(BlankRadio());
    EXPECT_EQ(second.engine.WriteOperation(read, "mem"), LinkStatus::Success);
    EXPECT_EQ(second.recorder.Events(), "20 40 60 80 95 succeeded");
    VirtualCP again;
    EXPECT_EQ(second.engine.ReadOperation(again, "mem"), LinkStatus::Success);
    EXPECT_EQ(ContactSet(again, false), ContactSet(read, false));
    EXPECT_EQ(again.m_settings, read.m_settings);
    EXPECT_EQ(again.m_texts, read.m_texts);
}

TEST(ReadOperation, AFailureEndsTheReadWithItsCodeOnceAndLeavesTheImage) {
    struct Row {
        const char* fault;
        LinkStatus status;
        const char* events;  // the failure comes once, last
    };
    const Row rows[] = {
        // Another compatibility version fails after the opening exchange, before any other.
        {"compat:9", LinkStatus::ModelUnsupported, "20 failed -5"},
        // The other fault kinds at the first command are the CLI's fault matrix; here, failures
        // within the contact and text loops.
        {"type:55@GetContact", LinkStatus::InvalidOpcode, "20 40 60 failed -6"},
        {"checksum@GetTextMessage", LinkStatus::PortUnavailable, "20 40 60 80 failed -1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        Bench bench;
        bench.AddFault(row.fault);
        VirtualCP image;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(bench.engine.ReadOperation(image, "mem"), row.status);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_EQ(image, VirtualCP());
        EXPECT_EQ(bench.recorder.Events(), row.events);
    }
}

// The contacts read so far stay with the operation: the caller's image is left as it was.
TEST(ReadOperation, ACancelBetweenTheListsSendsNothingMoreAndLeavesTheImage) {
    Bench bench;
    bench.recorder.CancelAt("80");
    VirtualCP image = sim::DefaultRadioImage();
    image.m_texts[0] = "mine";
    const VirtualCP before = image;
    EXPECT_EQ(bench.engine.ReadOperation(image, "mem"), LinkStatus::UserCanceled);
    EXPECT_GT(bench.Frames(opcode::kGetContact), 0u);
    EXPECT_EQ(bench.Frames(opcode::kGetTextMessage), 0u);
    EXPECT_EQ(image, before);
    EXPECT_EQ(bench.recorder.Events(), "20 40 60 80 failed -12");
}

// A profile changed through the rules reads back from the radio as it was written: a home
// private group is already one of the private's groups, as the radio will hold it.
TEST(Transfers, AProfileEditedByTheRulesReadsBackAsWritten) {
    CRadioDataModel model(std::string(VEX_SOURCE_DATA_DIR) + "/ProfileTemplate", {});
    const std::filesystem::path tests = std::filesystem::path(__FILE__).parent_path().parent_path();
    ASSERT_EQ(model.LoadProfile((tests / "model/fixtures/rules/two_channels.lam").string(), true),
              1);
    const CDataItem privates =
        model.RootItem().GetChildByName("Contacts").GetChildByName("Privates");
    std::int32_t msgId = 0;
    std::int32_t style = 0;
    // Bob (in 500) takes 501 as his home group; Cy re-commits his home group 501 unchanged.
    ASSERT_EQ(privates.GetChildByIndex(1).SetAttributeValue("home_grp", std::string("501"), msgId,
                                                            0, style),
              0);
    ASSERT_EQ(privates.GetChildByIndex(2).SetAttributeValue("home_grp", std::string("501"), msgId,
                                                            0, style),
              0);
    VirtualCP written;
    CDataAdaptor::XML2VirtualCP(model.Serialise(), written);

    Bench radio(BlankRadio());
    ASSERT_EQ(radio.engine.WriteOperation(written, "mem"), LinkStatus::Success);
    VirtualCP read;
    ASSERT_EQ(radio.engine.ReadOperation(read, "mem"), LinkStatus::Success);
    EXPECT_EQ(ContactSet(read, true), ContactSet(written, true));
}

TEST(WriteOperation, AgainstSmallerLimitsSendsTheFirstContactsInSlotOrderAndEveryText) {
    VirtualCP profile = BlankRadio();
    profile.m_texts[0] = "first";
    profile.m_texts[2] = "third";
    profile.m_texts[24] = "last";
    profile.m_contacts[0] = MakeContact(ContactType::Private, "Own", "1001");
    profile.m_contacts[1] = MakeContact(ContactType::PrivateGroup, "G1", "2001");
    profile.m_contacts[2] = MakeContact(ContactType::PublicGroup, "P1", "17179869183");
    profile.m_contacts[3] = MakeContact(ContactType::PrivateGroup, "G2", "2002");
    profile.m_contacts[4] = MakeContact(ContactType::PrivateGroup, "G3", "2003");

    VirtualCP small = BlankRadio();
    small.m_limits.max_num_of_private_grps = 2;
    Bench bench(small);
    EXPECT_EQ(bench.engine.WriteOperation(profile, "mem"), LinkStatus::Success);
    EXPECT_THAT(bench.recorder.Events(), ::testing::HasSubstr("warning -2"));

    const VirtualCP radio = bench.radio->Radio().Image();
    std::vector<std::string> names;
    for (const auto& c : radio.m_contacts) {
        if (!c.name.empty()) names.push_back(c.name);
    }
    // Private groups first (two of three), then public groups, then privates, numbered on.
    EXPECT_THAT(names, ElementsAre("G1", "G2", "P1", "Own"));
    // Texts are sent whatever slots are empty, and held in the order sent.
    EXPECT_EQ(bench.Frames(opcode::kPutTextMessage), 3u);
    EXPECT_THAT(test::UsedTexts(radio), ElementsAre("first", "third", "last"));
    EXPECT_EQ(radio.m_texts[2], "last");
}

TEST(WriteOperation, AnEmptyProfileSendsOneEmptyContactAndTextCommand) {
    Bench bench;
    VirtualCP profile = BlankRadio();
    profile.m_contacts[0] = MakeContact(ContactType::Private, "", "1001");  // not in use: no name
    EXPECT_EQ(bench.engine.WriteOperation(profile, "mem"), LinkStatus::Success);
    EXPECT_EQ(bench.Frames(opcode::kPutContact), 1u);
    EXPECT_EQ(bench.Frames(opcode::kPutTextMessage), 1u);
    const VirtualCP radio = bench.radio->Radio().Image();
    for (std::size_t i = 0; i < kContactSlots; ++i) EXPECT_FALSE(radio.IsContactInUse(i));
    for (const auto& text : radio.m_texts) EXPECT_TRUE(text.empty());
}

TEST(ReadPidOperation, CapturesTheIdAfterTheOtherRadioSendsIt) {
    Bench bench;
    bench.radio->Radio().SetPidCapture("123456789012345", 2);
    std::string pid = "old";
    EXPECT_EQ(bench.engine.ReadPidOperation(pid, "mem"), LinkStatus::Success);
    EXPECT_EQ(pid, "12345678901");  // at most 11 characters
    EXPECT_EQ(bench.recorder.Events(), "20 40 60 succeeded");
}

TEST(ReadPidOperation, ACaptureThatNeverComesTimesOutAfterFourPolls) {
    Bench bench;
    bench.radio->Radio().SetPidCapture("1006", std::nullopt);
    std::string pid;
    EXPECT_EQ(bench.engine.ReadPidOperation(pid, "mem"), LinkStatus::TimedOut);
    EXPECT_EQ(bench.recorder.Events(), "20 40 60 80 100 failed -9");
    EXPECT_EQ(bench.Frames(opcode::kPollPid), 4u);
}

TEST(ReadPidOperation, ACaptureTheRadioDoesNotStartIsBusy) {
    Bench bench;
    bench.AddFault("s:4@StartPidCapture");
    std::string pid;
    EXPECT_EQ(bench.engine.ReadPidOperation(pid, "mem"), LinkStatus::RadioBusy);
    EXPECT_EQ(bench.recorder.Events(), "20 failed -11");
}

TEST(ResetOperation, ACancelAskedForFirstIsReportedAndSendsNoReset) {
    Bench bench;
    bench.engine.RequestCancel();
    EXPECT_EQ(bench.engine.ResetOperation("mem"), LinkStatus::UserCanceled);
    EXPECT_EQ(bench.recorder.Events(), "failed -12");
    EXPECT_EQ(bench.Frames(opcode::kResetRadio), 0u);
}

TEST(TransferEngine, ASecondOperationWaitsForTheFirst) {
    Bench bench;
    bench.AddFault("silence@GetSettings/1");  // keeps the read busy for a while
    VirtualCP image;
    std::thread read = bench.engine.StartRead(image, "mem");
    // Let the read take the lock, then start a reset on a second engine.
    while (bench.Frames(opcode::kGetVersion) == 0) std::this_thread::yield();
    TransferEngine other(bench.radio->HostPorts());
    const LinkStatus reset = other.ResetOperation("mem");
    read.join();
    EXPECT_EQ(reset, LinkStatus::Success);
    // The reset came after the whole read: the read saw the radio before the reset.
    EXPECT_TRUE(image.IsContactInUse(0));
}

}  // namespace
}  // namespace vex

// Every fault the virtual radio commits against every radio command of vexprg-cli on a
// pseudo-terminal: the exit status, the message, the file a read saves, and what the radio holds.

#include <array>

#include "cli/cli_fixture.h"
#include "link/link_status.h"

namespace vex {
namespace {

enum Op { kRead, kWrite, kReset, kReadPid };
constexpr const char* kOps[] = {"read", "write", "reset", "read-pid"};

struct Row {
    const char* fault;
    std::array<int, 4> exit;  // read, write, reset, read-pid
    int contactsLeft = -1;    // the contacts a failed write stored; -1: the radio is unchanged
};

class FaultMatrix : public CliTest {
  protected:
    // The radio every cell starts from: another contrast and text message than the profile sent.
    static VirtualCP Before() {
        VirtualCP image = sim::DefaultRadioImage();
        image.m_settings.contrast ^= 1;
        image.m_texts[0] = "before";
        return image;
    }

    void Check(const Row& row, Op op) {
        SCOPED_TRACE(std::string(row.fault) + " / " + kOps[op]);
        StartRadio(Before()).Radio().SetPidCapture("1006", 1);
        const VirtualCP initial = m_radio->Radio().Image();
        AddFault(row.fault);
        const fs::path out = Path("out.lam");
        std::ofstream(out) << "previous";
        std::vector<std::string> args = {kOps[op], "--port", Port(), "--quiet"};
        const std::vector<std::vector<std::string>> extra = {
            {"-o", out.string()}, {m_profile, "--yes"}, {"--yes"}, {"--timeout", "1"}};
        args.insert(args.end(), extra[op].begin(), extra[op].end());
        const Result r = Run(args);

        const int want = row.exit[op];
        EXPECT_EQ(r.exit, want) << r.err;
        if (want > 10) {
            EXPECT_THAT(
                r.err, HasSubstr(LinkErrorText(ToLinkStatus(10 - want), LinkTextForm::MessageBox)));
            EXPECT_EQ(r.out, "");
        }
        EXPECT_EQ(ReadAll(out) == "previous", op != kRead || want != 0);
        for (const auto& entry : fs::directory_iterator(m_dir))
            EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();

        VirtualCP held = m_radio->Radio().Image();
        if (op == kWrite && want == 0) {
            held.m_settings.current_time = m_written.m_settings.current_time;
            EXPECT_EQ(held, m_written);
        } else if (op == kReset && want == 0) {
            EXPECT_EQ(held.m_contacts[0], ContactRecord());
        } else if (op != kWrite || row.contactsLeft < 0) {
            EXPECT_EQ(held, initial);
        } else {
            // The settings and the first contacts went in; the rest of the write never came.
            EXPECT_THAT(r.err, HasSubstr(kIncompleteWriteText));
            held.m_settings.current_time = m_written.m_settings.current_time;
            EXPECT_EQ(held.m_settings, m_written.m_settings);
            EXPECT_EQ(held.m_texts, initial.m_texts);
            for (std::size_t i = 0; i < held.m_contacts.size(); ++i) {
                const auto left = static_cast<std::size_t>(row.contactsLeft);
                EXPECT_EQ(held.m_contacts[i].pid, i < left ? m_written.m_contacts[i].pid : "");
            }
        }
    }

    std::string m_profile;
    VirtualCP m_written;  // the radio after the profile was written without a fault
};

TEST_F(FaultMatrix, EveryFaultAgainstEveryRadioCommand) {
    // The profile of the default radio, and what a radio holds once it is written in full.
    StartRadio();
    m_profile = Path("profile.lam").string();
    ASSERT_EQ(Run({"read", "--port", Port(), "-o", m_profile, "--quiet"}).exit, 0);
    StartRadio(Before());
    ASSERT_EQ(Run({"write", "--port", Port(), m_profile, "--yes", "--quiet"}).exit, 0);
    m_written = m_radio->Radio().Image();

    const Row rows[] = {
        {"silence", {12, 12, 12, 12}},    {"noise", {0, 0, 0, 0}},
        {"checksum", {11, 11, 11, 11}},   {"leadin", {12, 12, 12, 12}},
        {"q:FD", {24, 24, 24, 24}},       {"q:FE", {21, 21, 21, 21}},
        {"q:01", {18, 18, 18, 18}},       {"s:1", {19, 19, 19, 19}},
        {"s:4", {20, 20, 20, 20}},        {"rejected:0", {13, 13, 13, 13}},
        {"rejected:1", {16, 16, 16, 16}}, {"type:84", {16, 16, 16, 16}},
        {"version:6", {14, 14, 0, 14}},   {"compat:9", {15, 15, 15, 15}},
        {"drop:1", {12, 12, 12, 12}},     {"drop:6", {12, 12, 0, 0}, 2},
        {"hangup:1", {12, 12, 12, 12}},   {"hangup:6", {12, 12, 0, 0}, 2},
    };
    for (const Row& row : rows) {
        for (const Op op : {kRead, kWrite, kReset, kReadPid}) Check(row, op);
    }
}

}  // namespace
}  // namespace vex

// vexprg-cli end to end: the program as a child process against a virtual radio on a
// pseudo-terminal, checking exit codes, messages and files.

#include <algorithm>
#include <cstring>
#include <regex>

#include "cli/cli_fixture.h"
#include "link/link_status.h"
#include "link/verify.h"
#include "model/radio_clock.h"

namespace vex {
namespace {

TEST_F(CliTest, ReadsARadioIntoAScrambledProfileThatExportsAnElementALine) {
    StartRadio();
    const std::string text = PlainProfileOfTheRadio();
    const auto out = Path("radio.lam").string();
    EXPECT_NE(ReadAll(out).substr(0, 5), "<?xml");  // saved scrambled
    EXPECT_THAT(text, HasSubstr("<?xml"));

    // export -o then import gives a profile that exports to the same text.
    const auto plain = Path("plain.xml").string();
    const auto again = Path("again.lam").string();
    ASSERT_EQ(Run({"export", out, "-o", plain}).exit, 0);
    ASSERT_EQ(Run({"import", plain, "-o", again}).exit, 0);
    EXPECT_EQ(Run({"export", again}).out, text);

    // An element a line, so that an error's line number tells which entry is wrong.
    std::size_t elements = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const auto tags = std::count(line.begin(), line.end(), '<');
        EXPECT_LE(tags, 1) << line;
        elements += static_cast<std::size_t>(tags);
    }
    EXPECT_GT(elements, 20u);

    // A wrong value in the last of the radio's private contacts, a list that is sorted on the
    // way in: the message names the file and the line it is on.
    const std::size_t at = text.find("channel=\"", text.rfind("<Private "));
    ASSERT_NE(at, std::string::npos);
    const std::size_t value = at + 9;
    const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<long>(at), '\n');
    const auto xml = Path("edited.xml").string();
    std::ofstream(xml) << text.substr(0, value) << "x" << text.substr(text.find('"', value));
    const Result r = Run({"import", xml, "-o", Path("edited.lam").string()});
    EXPECT_EQ(r.exit, 3);
    EXPECT_THAT(r.err, HasSubstr(xml + ": Invalid profile.\nLine " + std::to_string(line) + ":"));
    EXPECT_THAT(r.err, Not(HasSubstr("<?xml")));
}

TEST_F(CliTest, WriteWarningsAreAnsweredByOptionsOrRefusedWithoutATerminal) {
    // A new profile: the radio being programmed is not in it.
    StartRadio();
    const auto profile = Path("new.lam").string();
    ASSERT_EQ(Run({"new", "--model", "V480", "-o", profile}).exit, 0);

    Result r = Run({"write", "--port", Port(), profile, "--no", "--quiet"});
    EXPECT_EQ(r.exit, 22);
    EXPECT_THAT(r.err, HasSubstr("Warning: The radio being programmed is not in this profile."));
    EXPECT_THAT(r.err, HasSubstr("Error: Operation Failed (User Canceled)."));
    EXPECT_EQ(m_radio->Server().Stats().Frames(0x31), 0u);  // no PutContact

    r = Run({"write", "--port", Port(), profile, "--quiet"});
    EXPECT_EQ(r.exit, 22);
    EXPECT_THAT(r.err, HasSubstr("--yes or --no"));

    r = Run({"write", "--port", Port(), profile, "--yes", "--verify", "--quiet"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_GT(m_radio->Server().Stats().Frames(0x31), 0u);
}

TEST_F(CliTest, TraceWritesEveryFrameBothWays) {
    StartRadio();
    const auto trace = Path("trace.txt");
    const Result r =
        Run({"reset", "--yes", "--port", Port(), "--trace", trace.string(), "--quiet"});
    EXPECT_EQ(r.exit, 0) << r.err;
    const std::string text = ReadAll(trace);
    EXPECT_THAT(text, HasSubstr("> F2 9B 27 4B"));  // GetLimits
    EXPECT_THAT(text, HasSubstr("< 50 "));          // a reply with its lead-in
    EXPECT_THAT(text, HasSubstr("> F2 9B 37 3B"));  // ResetRadio
}

TEST_F(CliTest, CtrlCCancelsAPrivateIdCapture) {
    StartRadio().Radio().SetPidCapture("1006", std::nullopt);
    const Result r = Run({"read-pid", "--port", Port(), "--quiet"}, std::chrono::milliseconds(800));
    EXPECT_EQ(r.exit, 22);
    EXPECT_THAT(r.err, HasSubstr("User Canceled"));
}

TEST_F(CliTest, ModelsListsTheTemplateFilesAndNewStartsAProfileFromOne) {
    const fs::path folder = MakeInstallation({"B200", "A100"});
    fs::create_directory(folder / "Folder.lam");
    std::ofstream(folder / "notes.txt") << "not a model";
    Result r = Run({"models"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "A100\nB200\n");

    const auto out = Path("new.lam").string();
    r = Run({"new", "--model", "B200", "-o", out});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(ReadAll(out).substr(0, 5), "<?xml");  // saved scrambled
    // The new profile is the template's profile.
    r = Run({"export", out});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, Run({"export", (folder / "A100.lam").string()}).out);
    EXPECT_THAT(r.out, HasSubstr("model=\"V480\""));

    r = Run({"new", "--model", "Folder", "-o", Path("x.lam").string()});
    EXPECT_EQ(r.exit, 2);
    EXPECT_THAT(r.err, HasSubstr("unknown model Folder; the models are: A100, B200"));
    EXPECT_FALSE(fs::exists(Path("x.lam")));

    // The rule script's own error, with its line.
    std::ofstream(folder / "DataProfile.lua") << "-- VEX480 PRG rule script\nlocal x = = 1\n";
    r = Run({"new", "--model", "B200", "-o", Path("x.lam").string()});
    EXPECT_EQ(r.exit, 3);
    EXPECT_THAT(r.err, HasSubstr("Rule script error\nLine: 2"));
    EXPECT_THAT(r.err, HasSubstr("Fatal error: 101."));
    EXPECT_FALSE(fs::exists(Path("x.lam")));

    // A template folder without model files.
    fs::remove(folder / "A100.lam");
    fs::remove(folder / "B200.lam");
    ExpectRuns(
        {{{"models"}, 3, "", "Error: Can not find template files!"},
         {{"new", "--model", "A100", "-o", out}, 3, "", "Error: Can not find template files!"}});
}

TEST_F(CliTest, WhatTheRadioWouldRefuseOrCannotHoldIsNamedBeforeAnyByteIsSent) {
    StartRadio();
    const std::string plain = PlainProfileOfTheRadio();
    auto edited = [&](const char* name, const char* from, const std::string& to) {
        const std::string path = Path(std::string(name) + ".xml").string();
        std::string text = plain;
        EXPECT_NE(text.find(from), std::string::npos) << from;
        std::ofstream(path) << text.replace(text.find(from), std::strlen(from), to);
        return path;
    };
    const auto nine = edited("nine", "compatibility_version=\"10\"", "compatibility_version=\"9\"");
    const auto tooLong = edited("long", "txt=\"", "txt=\"" + std::string(120, 'x'));
    const auto emoji = edited("emoji", " name=\"", " name=\"Dave\xF0\x9F\x93\xBB");
    const std::string port = Port();
    ExpectRuns({
        {{"import", nine, "-o", Path("nine.lam").string()}, 3, "", "Radio model is unsupported."},
        {{"write", "-p", port, nine, "--yes"}, 3, "", "Error: Radio model is unsupported."},
        {{"validate", tooLong}, 3, "", "characters; the radio takes at most 80 characters"},
        {{"write", "-p", port, tooLong, "--yes"}, 3, "", "at most 80 characters"},
        {{"validate", emoji}, 0, "", "warning: "},  // a warning only
        {{"write", "-p", port, emoji}, 3, "", "U+1F4FB"},
    });
    EXPECT_FALSE(fs::exists(Path("nine.lam")));
    EXPECT_EQ(m_radio->Server().Stats().Frames(0x31), 0u);  // nothing was written

    // Sent as '?' when told so, and --verify compares with the profile's own text.
    const Result r = Run({"write", "--port", port, emoji, "--yes", "--verify", "--quiet"});
    EXPECT_EQ(r.exit, 4);
    EXPECT_THAT(r.out, HasSubstr("radio holds 'Dave?"));
}

TEST_F(CliTest, CommandLineConventionsAndProfileErrors) {
    const auto bad = Path("bad.lam");
    { std::ofstream(bad) << "<?xml version=\"1.0\"?><VEXProfile/>"; }
    const auto good = Path("good.lam").string();
    ASSERT_EQ(Run({"new", "--model", "v480", "-o", good}).exit, 0);  // any case
    const std::string device = Path("no-such-device").string();
    const std::string cannotOpen = "Error: Cannot open " + device + ": No such";
    const std::string missing = Path("missing/x.lam").string();
    const std::string locked = Path("locked.lam").string();
    std::ofstream(locked) << "previous";
    fs::permissions(locked, fs::perms::owner_read);
    ExpectRuns({
        {{"read", "--help"}, 0, "--port", ""},
        {{"--version"}, 0, "vexprg-cli ", ""},
        {{"raed"}, 2, "", "did you mean 'read'?\ntry 'vexprg-cli --help'\n"},
        {{"write", "--prot", "x.lam"}, 2, "", "did you mean '--port'?"},
        {{"reset", "-p", device}, 2, "", "--yes"},
        // The real cause of a port that cannot be opened, not "already in use".
        {{"reset", "--yes", "--port=" + device}, 11, "", cannotOpen},
        {{"import", good, "-o", good}, 2, "", "is the input"},
        {{"validate", good, Path("missing.lam").string()}, 3, "valid profile", "no such file\n"},
        {{"validate", bad.string()}, 3, "", "bad.lam: Invalid profile."},
        {{"import", bad.string()}, 2, "", "import needs -o"},
        {{"frobnicate"}, 2, "", "unknown command"},
        {{"read", "--port"}, 2, "", "needs a value"},
        {{"write", "--bogus", "x.lam"}, 2, "", "unknown option"},
        {{"reset"}, 2, "", "no port"},  // before a default port is stored
        {{"new", "-o", "x.lam"}, 2, "", "--model"},
        {{"new", "--model", "V480"}, 2, "", "-o"},
        {{"models", "extra"}, 2, "", "unexpected argument"},
        // A read checks its file before the port is opened; the system's reason, no trace lines
        // but with --verbose (before or after the command).
        {{"read", "-p", device, "-o", missing}, 3, "", ": No such file or directory\n"},
        {{"read", "-p", device, "-o", m_dir.string()}, 3, "", m_dir.string() + ": Is a directory"},
        {{"read", "-p", device, "-o", locked}, 3, "", "locked.lam: the file is write-protected"},
        {{"new", "--model", "V480", "-o", missing}, 3, "", "cannot write " + missing + ": No such"},
        {{"new", "--model", "V480", "-o", missing, "--verbose"}, 3, "", "(CVEXPRGDoc::Serialize:"},
        {{"--verbose", "new", "--model", "V480", "-o", missing}, 3, "", "(CVEXPRGDoc::Serialize:"},
        {{"ports", "--default", device}, 0, "", ""},
        {{"reset", "--yes"}, 11, "", "Cannot open"},  // the default port just stored
    });
    EXPECT_FALSE(fs::exists(Path("missing")));
    EXPECT_EQ(ReadAll(locked), "previous");
}

TEST_F(CliTest, AWriteSetsTheRadiosClockUnlessToldToKeepTheProfilesTime) {
    StartRadio();
    const auto xml = Path("clock.xml").string();
    std::ofstream(xml) << std::regex_replace(
        PlainProfileOfTheRadio(), std::regex("current_time=\"[0-9]+\""), "current_time=\"123456\"");

    Result r =
        Run({"write", "--port", Port(), xml, "--yes", "--keep-clock", "--verify", "--quiet"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(m_radio->Radio().Image().m_settings.current_time, 123456u);

    const std::uint32_t before = RadioClockNow();
    r = Run({"write", "--port", Port(), xml, "--yes", "--verify", "--quiet"});
    ASSERT_EQ(r.exit, 0) << r.err;  // the clock is not a difference
    const std::uint32_t after = RadioClockNow();
    const std::uint32_t clock = m_radio->Radio().Image().m_settings.current_time;
    EXPECT_GE(clock, before);
    EXPECT_LE(clock, after);
    EXPECT_LE(after - before, 60u);
}

TEST(Verify, FindsEveryKindOfDifference) {
    const VirtualCP sent = sim::DefaultRadioImage();
    VirtualCP expected = ExpectedAfterWrite(sent, sent.m_limits);
    EXPECT_THAT(Differences(expected, expected), ::testing::IsEmpty());

    VirtualCP radio = expected;
    radio.m_settings.contrast ^= 1;
    radio.m_settings.current_time += 60;  // the clock is not compared
    radio.m_contacts[0].channel ^= 1;
    radio.m_contacts[1] = ContactRecord();  // lost
    radio.m_texts[0] = "changed";
    const auto lines = Differences(expected, radio);
    EXPECT_EQ(lines.size(), 4u);
    EXPECT_THAT(lines, ::testing::Contains(HasSubstr("setting contrast")));
    EXPECT_THAT(lines, ::testing::Contains(HasSubstr("not in the radio")));
    EXPECT_THAT(lines, ::testing::Contains(HasSubstr("text message 1")));
}

TEST_F(CliTest, ReportsOfAProfileGoToTheCurrentFolderOrWhereTold) {
    StartRadio();
    MakeInstallation({"V480"});
    fs::copy(fs::path(VEX_SOURCE_DATA_DIR) / "Report", Path("install") / "Report");
    const auto lam = Path("radio.lam").string();
    ASSERT_EQ(Run({"read", "--port", Port(), "-o", lam, "--quiet"}).exit, 0);

    Result r = Run({"report", "radio", lam});
    EXPECT_EQ(r.exit, 0) << r.err;
    const fs::path radioPage = Path("SpecReport.htm");  // the current folder
    EXPECT_FALSE(fs::exists(Path("install") / "Report" / "SpecReport.htm"));
    EXPECT_THAT(ReadAll(radioPage), HasSubstr("Radio-Specific Report - Unit Private ID:1001"));

    const auto overview = Path("overview.htm");
    r = Run({"report", "overview", lam, "-o", overview.string()});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_THAT(ReadAll(overview), HasSubstr("<div class=\"ItemTitle\">All Privates</div>"));
    // The model picture travels inside the page.
    EXPECT_THAT(ReadAll(overview), HasSubstr("<img src=\"data:image/png;base64,iVBORw0KGgo"));

    // A template profile was never read from a radio: it has no own entry.
    const auto fresh = Path("fresh.lam").string();
    const auto missing = Path("missing/page.htm").string();
    ASSERT_EQ(Run({"new", "--model", "V480", "-o", fresh}).exit, 0);
    ExpectRuns({{{"report", "radio", fresh, "-o", Path("none.htm").string()},
                 3,
                 "",
                 "no private contact with the radio's own private ID"},
                {{"report", "overview", lam, "-o", missing}, 3, "", missing + ": "},
                {{"report", "sideways", lam}, 2, "", ""}});
    EXPECT_FALSE(fs::exists(Path("none.htm")));
}

}  // namespace
}  // namespace vex

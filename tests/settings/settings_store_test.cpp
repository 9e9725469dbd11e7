#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSettings>
#include <QString>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/files.h"

namespace vex {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;

// Every settings file of this test program lives under one temporary root. QSettings takes its
// paths once, before the first settings object is made, so they are set here before any test runs;
// the files themselves are removed between tests.
class SettingsSandbox : public ::testing::Environment {
  public:
    static fs::path Root() { return s_root; }
    static fs::path UserFile() { return s_root / "user" / "Kestrion" / "VEX480 PRG.ini"; }
    static fs::path SystemFile() { return s_root / "system" / "Kestrion" / "VEX480 PRG.ini"; }

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vexsettings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        s_root = pattern;
        // Belt and braces: nothing may reach the real configuration or runtime folders.
        setenv("XDG_CONFIG_HOME", (s_root / "xdg-home").c_str(), 1);
        // The installation files are looked up in every XDG_CONFIG_DIRS folder.
        setenv("XDG_CONFIG_DIRS", (s_root / "system").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (s_root / "runtime").c_str(), 1);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString((s_root / "user").string()));
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope,
                           QString::fromStdString((s_root / "xdg-dirs").string()));
    }

    void TearDown() override { fs::remove_all(s_root); }

  private:
    static inline fs::path s_root;
};

const auto* const kSandbox = ::testing::AddGlobalTestEnvironment(new SettingsSandbox);

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class SettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::remove_all(SettingsSandbox::UserFile().parent_path());
        fs::remove_all(SettingsSandbox::SystemFile().parent_path());
    }

    // An installation as the installer writes it.
    static void Install(const std::string& ini) { WriteFile(SettingsSandbox::SystemFile(), ini); }
    // A user file for English with `entries` ("English\\Key=value\n" lines) in its language group.
    static void EnglishUser(const std::string& entries) {
        WriteFile(SettingsSandbox::UserFile(),
                  "[General]\nCurrentLanguage=English\n[Language]\n" + entries);
    }
};

constexpr char kEnglishInstall[] =
    "[General]\n"
    "DefaultLanguage=English\n"
    "CurrentComPort=/dev/ttyS3\n"  // a user value: never taken from the installation
    "[Language]\n"
    "English\\DealerInfo=Radio House Ltd\n"
    "English\\ContactInfo=+44 20 7946 0000\n"
    "English\\DealerNotes=Closed on Sundays\n"
    "English\\HelpFileName=help/index.html\n"
    "Deutsch\\DealerInfo=Funkhaus GmbH\n";

TEST_F(SettingsStoreTest, FirstStartCreatesTheUserFileFromTheInstallation) {
    Install(kEnglishInstall);
    ASSERT_EQ(CheckRegistry(), SettingsMessage::None);

    EXPECT_TRUE(fs::exists(SettingsSandbox::UserFile()));
    EXPECT_EQ(GetCurrentComPort(), kDefaultComPort);
    EXPECT_EQ(GetCurrentLanguage(), "English");
    const DealerTextsResult dealer = GetDealerTexts();
    ASSERT_EQ(dealer.message, SettingsMessage::None);
    EXPECT_EQ(dealer.texts,
              (DealerTexts{"Radio House Ltd", "+44 20 7946 0000", "Closed on Sundays"}));

    // The values were copied, not looked up in the installation file.
    fs::remove(SettingsSandbox::SystemFile());
    EXPECT_EQ(GetCurrentLanguage(), "English");
    EXPECT_EQ(GetDealerTexts().texts.dealerNotes, "Closed on Sundays");
    EXPECT_EQ(GetHelpFileName(), "");
}

TEST_F(SettingsStoreTest, FirstStartWithoutDefaultLanguageIsFatal) {
    for (const std::string install : {"", "[General]\nDefaultLanguage=\n"}) {
        SCOPED_TRACE(install);
        SetUp();
        Install(install);
        const SettingsMessage result = CheckRegistry();
        EXPECT_EQ(result, SettingsMessage::FatalRegistryError);
        EXPECT_EQ(MessageId(result), 10115);
        EXPECT_EQ(GetCurrentLanguage(), "");
    }
}

TEST_F(SettingsStoreTest, LaterStartsKeepWhatTheUserHas) {
    Install(kEnglishInstall);
    WriteFile(SettingsSandbox::UserFile(),
              "[General]\n"
              "CurrentComPort=\n"
              "CurrentLanguage=English\n"
              "[Language]\n"
              "English\\DealerInfo=\n"
              "English\\ContactInfo=Call Anna\n");
    ASSERT_EQ(CheckRegistry(), SettingsMessage::None);

    EXPECT_EQ(GetCurrentComPort(), "");  // stored, even though empty
    const DealerTextsResult dealer = GetDealerTexts();
    ASSERT_EQ(dealer.message, SettingsMessage::None);
    EXPECT_EQ(dealer.texts.dealerInfo, "");  // stored, even though empty
    EXPECT_EQ(dealer.texts.contactInfo, "Call Anna");
    EXPECT_EQ(dealer.texts.dealerNotes, "Closed on Sundays");  // was missing: seeded
}

TEST_F(SettingsStoreTest, SeedingReplacesOnlyValuesBeyondTheSeedLimit) {
    const std::string atLimit(kSeedTextLimit, 'a');
    const std::string beyond(kSeedTextLimit + 1, 'b');
    Install("[Language]\nEnglish\\DealerInfo=Radio House Ltd\nEnglish\\DealerNotes=" + beyond +
            "\n");
    EnglishUser("English\\DealerInfo=" + beyond + "\nEnglish\\ContactInfo=" + atLimit + "\n");
    ASSERT_TRUE(SeedDealerInfo());

    const std::string user = ReadAll(SettingsSandbox::UserFile());
    EXPECT_NE(user.find("DealerInfo=Radio House Ltd"), std::string::npos) << user;
    EXPECT_NE(user.find("ContactInfo=" + atLimit), std::string::npos);
    // An installation value beyond the limit is not copied; the value is created empty.
    EXPECT_NE(user.find("DealerNotes=\n"), std::string::npos) << user;
}

TEST_F(SettingsStoreTest, AnUnwritableUserFileIsFatalAndLeavesNothingPending) {
    Install(kEnglishInstall);
    ASSERT_EQ(CheckRegistry(), SettingsMessage::None);

    fs::remove(SettingsSandbox::UserFile());
    fs::create_directories(SettingsSandbox::UserFile());  // a folder where the file should be
    EXPECT_FALSE(CreateRegistryKeys());
    EXPECT_EQ(CheckRegistry(), SettingsMessage::FatalRegistryError);
    EXPECT_FALSE(SetCurrentComPort("/dev/ttyS9"));

    // Once the file can be written again, the refused value must not be saved with another one.
    fs::remove(SettingsSandbox::UserFile());
    ASSERT_TRUE(SetCurrentLanguage("English"));
    EXPECT_EQ(GetCurrentComPort(), "");
    EXPECT_EQ(ReadAll(SettingsSandbox::UserFile()).find("ttyS9"), std::string::npos);
}

TEST_F(SettingsStoreTest, AMalformedUserFileIsReadAndRepairedByTheNextWrite) {
    WriteFile(SettingsSandbox::UserFile(),
              "[General]\nCurrentLanguage=English\nthis line is no setting\n");
    // The write comes first: the settings object that finds the fault keeps reporting it even
    // after a successful save.
    EXPECT_TRUE(SetCurrentComPort("/dev/ttyACM0"));
    EXPECT_EQ(GetCurrentComPort(), "/dev/ttyACM0");
    EXPECT_EQ(GetCurrentLanguage(), "English");
    EXPECT_EQ(ReadAll(SettingsSandbox::UserFile()).find("no setting"), std::string::npos);
}

TEST_F(SettingsStoreTest, DealerTextsAreLimitedInCharacters) {
    ASSERT_TRUE(SetCurrentLanguage("English"));

    // The edit limit round-trips, also when each character takes two bytes.
    const std::string ascii(kDealerTextEditLimit, 'x');
    std::string accented;
    for (std::size_t i = 0; i < kDealerTextEditLimit; ++i) accented += "\xC3\xA9";
    const DealerTexts full{ascii, accented, std::string(kDealerTextStoredLimit, 'y')};
    ASSERT_EQ(SetDealerTexts(full), SettingsMessage::None);
    DealerTextsResult read = GetDealerTexts();
    ASSERT_EQ(read.message, SettingsMessage::None);
    EXPECT_EQ(read.texts, full);

    // One character more is refused on writing, before anything is written...
    const DealerTexts tooLong{"new", "new", std::string(kDealerTextStoredLimit + 1, 'z')};
    EXPECT_EQ(SetDealerTexts(tooLong), SettingsMessage::DealerTooLong);
    EXPECT_EQ(GetDealerTexts().texts, full);

    // ...and on reading, whichever of the three it is.
    EnglishUser("English\\ContactInfo=" + std::string(252, 'z') + "\n");
    read = GetDealerTexts();
    EXPECT_EQ(read.message, SettingsMessage::DealerTooLong);
    EXPECT_EQ(MessageId(read.message), 10116);
    EXPECT_EQ(read.texts, DealerTexts{});
}

TEST_F(SettingsStoreTest, DealerTextsReportWhyTheyFailed) {
    // No current language.
    EXPECT_EQ(MessageId(GetDealerTexts().message), 161);
    EXPECT_EQ(SetDealerTexts({"a", "b", "c"}), SettingsMessage::LanguageMissing);
    EXPECT_FALSE(fs::exists(SettingsSandbox::UserFile()));

    // A stored value that is no text.
    EnglishUser("English\\DealerNotes=@Rect(1 2 3 4)\n");
    EXPECT_EQ(MessageId(GetDealerTexts().message), 160);
}

TEST_F(SettingsStoreTest, InstallPathPrefersTheSettingThenAnExistingFallback) {
    const fs::path data = SettingsSandbox::Root() / "data";
    fs::create_directories(data);
    const std::string missing = (SettingsSandbox::Root() / "nowhere").string();

    // Installed: <prefix>/share/vex480-prg beside the program's bin folder.
    const std::string installed = GetInstallPath(missing);
    const fs::path program = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(installed, (program.parent_path().parent_path() / "share" / "vex480-prg").string());

    EXPECT_EQ(GetInstallPath(data.string() + "/"), data.string());

    Install("[General]\nInstallPath=/opt/vex480/data/\n");
    EXPECT_EQ(GetInstallPath(data.string()), "/opt/vex480/data");
}

TEST_F(SettingsStoreTest, EveryValueComesBackAsWrittenInBothScopes) {
    // By hand, in the installation file: ';' and ',' are text, a Latin-1 byte is a character.
    Install(
        "[General]\nDefaultLanguage=Fran\xE7"
        "ais\n[Language]\n"
        "Fran\xE7"
        "ais\\DealerInfo=T\xE9l: +33 1 23; fax: none\n"
        "Fran\xE7"
        "ais\\ContactInfo=Smith,Jones & Co ,  Ltd\n");
    ASSERT_EQ(CheckRegistry(), SettingsMessage::None);
    EXPECT_EQ(GetCurrentLanguage(), "Fran\u00E7ais");
    EXPECT_EQ(GetDealerTexts().texts,
              (DealerTexts{"T\u00E9l: +33 1 23; fax: none", "Smith,Jones & Co ,  Ltd", ""}));

    // Through the program into the user file and back, after another write of the file.
    const DealerTexts tricky{" lead; and, trail ", "\"quoted\" \\ back\nslash", "@at = sign"};
    ASSERT_EQ(SetDealerTexts(tricky), SettingsMessage::None);
    ASSERT_TRUE(SetCurrentComPort("/dev/ttyUSB1"));
    EXPECT_EQ(GetDealerTexts().texts, tricky);

    // A Latin-1 byte written by hand in the user file survives the next write.
    EnglishUser("English\\DealerNotes=Caf\xE9\n");
    ASSERT_TRUE(SetCurrentComPort("/dev/ttyUSB2"));
    EXPECT_EQ(GetDealerTexts().texts.dealerNotes, "Caf\u00E9");
}

TEST_F(SettingsStoreTest, InstallationFilesAreReadFromEveryFolderAndLanguagesIgnoreCase) {
    const fs::path first = SettingsSandbox::Root() / "first";
    const std::string system = (SettingsSandbox::Root() / "system").string();
    WriteFile(first / "Kestrion" / "VEX480 PRG.ini",
              "[Language]\nENGLISH\\HelpFileName=first.html\n");
    Install(kEnglishInstall);
    setenv("XDG_CONFIG_DIRS", (first.string() + ":/nowhere:" + system).c_str(), 1);
    ASSERT_EQ(CheckRegistry(), SettingsMessage::None);  // DefaultLanguage from the second folder
    setenv("XDG_CONFIG_DIRS", system.c_str(), 1);
    EXPECT_EQ(GetDealerTexts().texts.dealerInfo, "Radio House Ltd");

    setenv("XDG_CONFIG_DIRS", (first.string() + ":" + system).c_str(), 1);
    ASSERT_TRUE(SetCurrentLanguage("english"));
    EXPECT_EQ(GetHelpFileName(), "first.html");                       // the first folder wins
    EXPECT_EQ(GetDealerTexts().texts.dealerInfo, "Radio House Ltd");  // the user's "English" key
    ASSERT_TRUE(SetCurrentLanguage("Francais"));
    EXPECT_EQ(GetHelpFileName(), "");
    setenv("XDG_CONFIG_DIRS", system.c_str(), 1);
}

TEST_F(SettingsStoreTest, AUserFolderThatTakesNoNewFileIsFatal) {
    Install(kEnglishInstall);
    ASSERT_EQ(CheckRegistry(), SettingsMessage::None);
    // The file stays writable, its folder does not (root writes anyway: check as "nobody").
    ::chmod(SettingsSandbox::UserFile().c_str(), 0666);
    ::chmod(SettingsSandbox::UserFile().parent_path().c_str(), 0755);
    ::chmod(SettingsSandbox::Root().c_str(), 0755);
    ::chmod((SettingsSandbox::Root() / "user").c_str(), 0755);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (getuid() == 0 && setuid(65534) != 0) _exit(3);
        _exit(CheckRegistry() == SettingsMessage::FatalRegistryError ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace vex

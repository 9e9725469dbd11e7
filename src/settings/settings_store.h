#pragma once

// The settings store: the per-user settings and the installation settings of the program.
//
// Both live in INI files under organisation "Kestrion", application "VEX480 PRG":
// - the user file ($XDG_CONFIG_HOME/Kestrion/VEX480 PRG.ini) holds CurrentComPort, CurrentLanguage
//   and, per language, the dealer texts Language/<lang>/{DealerInfo,ContactInfo,DealerNotes};
// - the installation files (Kestrion/VEX480 PRG.ini in each $XDG_CONFIG_DIRS folder, else in
//   /etc/xdg) hold DefaultLanguage, InstallPath and, per language, the default dealer texts and
//   HelpFileName; a value comes from the first folder whose file has it. The program only reads
//   them.
// A user value is read from the user file alone, never from the installation file.
//
// Language names are compared without regard to case. Every value comes back exactly as written
// (';' and ',' included); a hand-written value that is not UTF-8 is read as ISO 8859-1. All texts
// are UTF-8. A missing value reads as the empty text. Every write is flushed to disk
// before the function returns and a failed flush is reported. The functions may be called from
// any thread; each call reads the files afresh.

#include <QSettings>
#include <cstddef>
#include <string>

#include "common/dealer_texts.h"

namespace vex {

// The port stored when none is: the usual USB serial cable.
inline constexpr char kDefaultComPort[] = "/dev/ttyUSB0";

// Dealer texts are limited in characters (Unicode code points; CR LF counts two): the dialog's
// edit fields take at most kDealerTextEditLimit, and a stored text longer than
// kDealerTextStoredLimit is refused when read. Seeding copies or keeps values of at most
// kSeedTextLimit.
inline constexpr std::size_t kDealerTextEditLimit = 250;
inline constexpr std::size_t kDealerTextStoredLimit = 251;
inline constexpr std::size_t kSeedTextLimit = 1024;

// The message (string-table id) that a settings operation asks its caller to show; None on
// success.
enum class SettingsMessage : int {
    None = 0,
    DealerReadFailed = 160,      // "Fail to get dealer information from registry!"
    LanguageMissing = 161,       // "Error:There is an error when to acquire language type!"
    FatalRegistryError = 10115,  // "Fatal registry Error, the application will be closed!"
    DealerTooLong = 10116,       // "The dealer information in the registry is too long ..."
    OpenFailed = 10117,          // "Failure to open registry!"
    DealerWriteFailed = 10118,   // "Failure to write dealer infomation to the registry!"
};

constexpr int MessageId(SettingsMessage message) {
    return static_cast<int>(message);
}

// The three dealer texts of one language.

struct DealerTextsResult {
    SettingsMessage message = SettingsMessage::None;
    DealerTexts texts;  // empty unless message is None
};

std::string GetCurrentComPort();
// False when the user file cannot be written.
bool SetCurrentComPort(const std::string& port);

std::string GetCurrentLanguage();
// False when the user file cannot be written.
bool SetCurrentLanguage(const std::string& language);

// The installation's language for a first start.
std::string GetDefaultLanguage();

// The data folder (model template, report templates, help book), in this order:
// 1. the installation file's InstallPath, when it is not empty;
// 2. fallback, when it names an existing folder (programs run from the build tree pass the source
//    tree's data folder here);
// 3. <prefix>/share/vex480-prg for a program installed as <prefix>/bin/<name>, whether or not
//    that folder exists (so that a message can name where the data was looked for);
// 4. fallback, when the running program's path is unknown.
// The result has no trailing slash unless it is "/".
std::string GetInstallPath(const std::string& fallback);

// The HelpFileName of the current language in the installation file (a name inside the data
// folder); empty when there is no current language or no such value.
std::string GetHelpFileName();

// Makes sure that the user file can be written, creating its folder when needed. INI files have
// no empty keys, so this is the whole of "creating the keys". False when the file or its folder
// cannot be written.
bool CreateRegistryKeys();

// Stores CurrentComPort = kDefaultComPort when the user file has no CurrentComPort (an empty
// stored value is kept). False when that write fails.
bool EnsureComPort();

// For DealerInfo, DealerNotes and ContactInfo of the current language: when the user file has no
// such value, or one longer than kSeedTextLimit, stores the installation file's value of that
// language (the empty text when it is missing or longer than kSeedTextLimit). A user value that
// exists is never replaced otherwise, even when empty. False when there is no current language or
// a write fails.
bool SeedDealerInfo();

// The start-up check: CreateRegistryKeys, EnsureComPort; then, when there is no CurrentLanguage,
// sets it to DefaultLanguage; then SeedDealerInfo. Returns FatalRegistryError (the program must
// end) when the user file cannot be written, or DefaultLanguage is needed but empty or cannot be
// stored as CurrentLanguage; else None.
[[nodiscard]] SettingsMessage CheckRegistry();

// The dealer texts of the current language, for the dealer dialog and the reports.
// LanguageMissing: no CurrentLanguage. OpenFailed: the user file exists but cannot be read or is
// malformed. DealerTooLong: a stored text is longer than kDealerTextStoredLimit. DealerReadFailed:
// a stored value is not text. A missing value is the empty text.
[[nodiscard]] DealerTextsResult GetDealerTexts();

// Stores the dealer texts of the current language, all three or none.
// LanguageMissing: no CurrentLanguage. OpenFailed: the user file cannot be read or written.
// DealerTooLong: a text is longer than kDealerTextStoredLimit (nothing is written, so that every
// stored text can be read back). DealerWriteFailed: the file could not be saved.
[[nodiscard]] SettingsMessage SetDealerTexts(const DealerTexts& texts);

}  // namespace vex

#include "settings/settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QLatin1StringView>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace vex {

namespace {

constexpr QLatin1StringView kOrganisation{"Kestrion"};
constexpr QLatin1StringView kApplication{"VEX480 PRG"};

constexpr QLatin1StringView kCurrentComPort{"CurrentComPort"};
constexpr QLatin1StringView kCurrentLanguage{"CurrentLanguage"};
constexpr QLatin1StringView kDefaultLanguage{"DefaultLanguage"};
constexpr QLatin1StringView kInstallPath{"InstallPath"};
constexpr QLatin1StringView kDealerInfo{"DealerInfo"};
constexpr QLatin1StringView kContactInfo{"ContactInfo"};
constexpr QLatin1StringView kDealerNotes{"DealerNotes"};
constexpr QLatin1StringView kHelpFileName{"HelpFileName"};

// Where an installed program finds its data, relative to <prefix>.
constexpr char kInstalledDataFolder[] = "share/vex480-prg";

// One of the two settings files. Fallbacks are off: a user value is never taken from the
// installation file, and neither file falls back to an organisation-wide "Kestrion.ini".
class StoreFile : public QSettings {
  public:
    explicit StoreFile(Scope scope)
        : QSettings(IniFormat, scope, QString(kOrganisation), QString(kApplication)) {
        setFallbacksEnabled(false);
    }
};

QString LanguageKey(const QString& language, QLatin1StringView value) {
    QString key = QStringLiteral("Language/");
    key += language;
    key += QLatin1Char('/');
    key += value;
    return key;
}

struct StoredValue {
    bool exists = false;
    std::optional<QString> text;  // empty when the value is not text
};

StoredValue ReadValue(const QSettings& file, const QString& key) {
    const QVariant value = file.value(key);
    if (!value.isValid()) return {};
    switch (value.metaType().id()) {
        case QMetaType::QString:
            return {true, value.toString()};
        case QMetaType::QStringList:
            // An INI line written by hand with unquoted commas reads as a list; put it back
            // together (the blanks around the commas become one).
            return {true, value.toStringList().join(QLatin1StringView(", "))};
        case QMetaType::QByteArray:
            return {true, QString::fromUtf8(value.toByteArray())};
        default:
            return {true, std::nullopt};
    }
}

QString ReadText(const QSettings& file, const QString& key) {
    return ReadValue(file, key).text.value_or(QString());
}

std::string ToStd(const QString& text) {
    return text.toStdString();
}

// Characters as the limits count them: code points, not UTF-16 units or UTF-8 bytes.
std::size_t CharacterCount(const QString& text) {
    std::size_t count = 0;
    for (const QChar c : text) {
        if (!c.isLowSurrogate()) ++count;
    }
    return count;
}

std::size_t CharacterCount(const std::string& utf8) {
    std::size_t count = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

// Writes the pending changes to disk. A settings object that found the file malformed keeps
// reporting FormatError even after it has replaced the file with a clean one, and a failed save
// does not change that status. So then a second object is opened on the file: it tries again to
// save whatever is still pending and reports the outcome.
bool Save(StoreFile& file, QSettings::Scope scope) {
    file.sync();
    switch (file.status()) {
        case QSettings::NoError:
            return true;
        case QSettings::FormatError:
            return StoreFile(scope).status() == QSettings::NoError;
        default:
            return false;
    }
}

using Assignments = std::vector<std::pair<QString, QString>>;

// Stores the values and saves the file. When the save fails, the previous values are put back:
// QSettings shares its unsaved changes between all objects on the same file, and would otherwise
// save the refused values with the next write of anything.
bool StoreValues(StoreFile& file, QSettings::Scope scope, const Assignments& values) {
    std::vector<std::pair<QString, QVariant>> previous;
    for (const auto& [key, text] : values) {
        previous.emplace_back(key, file.value(key));
        file.setValue(key, text);
    }
    if (Save(file, scope)) return true;
    for (const auto& [key, value] : previous) {
        if (value.isValid()) {
            file.setValue(key, value);
        } else {
            file.remove(key);
        }
    }
    return false;
}

bool StoreUserValue(QLatin1StringView key, const std::string& text) {
    StoreFile user(QSettings::UserScope);
    return StoreValues(user, QSettings::UserScope, {{QString(key), QString::fromStdString(text)}});
}

}  // namespace

std::string GetCurrentComPort() {
    return ToStd(ReadText(StoreFile(QSettings::UserScope), QString(kCurrentComPort)));
}

bool SetCurrentComPort(const std::string& port) {
    return StoreUserValue(kCurrentComPort, port);
}

std::string GetCurrentLanguage() {
    return ToStd(ReadText(StoreFile(QSettings::UserScope), QString(kCurrentLanguage)));
}

bool SetCurrentLanguage(const std::string& language) {
    return StoreUserValue(kCurrentLanguage, language);
}

std::string GetDefaultLanguage() {
    return ToStd(ReadText(StoreFile(QSettings::SystemScope), QString(kDefaultLanguage)));
}

std::string GetInstallPath(const std::string& fallback) {
    const QString configured = ReadText(StoreFile(QSettings::SystemScope), QString(kInstallPath));
    if (!configured.isEmpty()) return ToStd(QDir::cleanPath(configured));

    const QString given = QString::fromStdString(fallback);
    if (!given.isEmpty() && QFileInfo(given).isDir()) return ToStd(QDir::cleanPath(given));

    // No QCoreApplication is needed for this (the command-line tool has none).
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !program.has_parent_path()) return fallback;
    return (program.parent_path().parent_path() / kInstalledDataFolder).lexically_normal().string();
}

std::string GetHelpFileName() {
    const QString language = ReadText(StoreFile(QSettings::UserScope), QString(kCurrentLanguage));
    if (language.isEmpty()) return {};
    return ToStd(ReadText(StoreFile(QSettings::SystemScope), LanguageKey(language, kHelpFileName)));
}

bool CreateRegistryKeys() {
    // isWritable() creates the file's folder when it is missing.
    return StoreFile(QSettings::UserScope).isWritable();
}

bool EnsureComPort() {
    StoreFile user(QSettings::UserScope);
    if (ReadValue(user, QString(kCurrentComPort)).text) return true;
    return StoreValues(user, QSettings::UserScope,
                       {{QString(kCurrentComPort), QString::fromUtf8(kDefaultComPort)}});
}

bool SeedDealerInfo() {
    StoreFile user(QSettings::UserScope);
    const QString language = ReadText(user, QString(kCurrentLanguage));
    if (language.isEmpty()) return false;

    const StoreFile system(QSettings::SystemScope);
    Assignments seeds;
    for (const QLatin1StringView name : {kDealerInfo, kDealerNotes, kContactInfo}) {
        const QString key = LanguageKey(language, name);
        const std::optional<QString> own = ReadValue(user, key).text;
        if (own && CharacterCount(*own) <= kSeedTextLimit) continue;
        QString seed = ReadText(system, key);
        if (CharacterCount(seed) > kSeedTextLimit) seed.clear();
        seeds.emplace_back(key, seed);
    }
    return seeds.empty() || StoreValues(user, QSettings::UserScope, seeds);
}

SettingsMessage CheckRegistry() {
    if (!CreateRegistryKeys()) return SettingsMessage::FatalRegistryError;
    EnsureComPort();
    if (GetCurrentLanguage().empty()) {
        const std::string language = GetDefaultLanguage();
        if (language.empty()) return SettingsMessage::FatalRegistryError;
        // Ending the program here without a word would leave the user guessing; the language
        // could not be stored, which is the same fatal condition as above.
        if (!SetCurrentLanguage(language)) return SettingsMessage::FatalRegistryError;
    }
    SeedDealerInfo();
    return SettingsMessage::None;
}

DealerTextsResult GetDealerTexts() {
    const StoreFile user(QSettings::UserScope);
    const QString language = ReadText(user, QString(kCurrentLanguage));
    if (language.isEmpty()) return {SettingsMessage::LanguageMissing, {}};
    if (user.status() == QSettings::AccessError) return {SettingsMessage::OpenFailed, {}};

    DealerTexts texts;
    const std::array<std::pair<QLatin1StringView, std::string*>, 3> fields = {{
        {kDealerInfo, &texts.dealerInfo},
        {kContactInfo, &texts.contactInfo},
        {kDealerNotes, &texts.dealerNotes},
    }};
    for (const auto& [name, target] : fields) {
        const StoredValue value = ReadValue(user, LanguageKey(language, name));
        if (!value.exists) continue;
        if (!value.text) return {SettingsMessage::DealerReadFailed, {}};
        if (CharacterCount(*value.text) > kDealerTextStoredLimit) {
            return {SettingsMessage::DealerTooLong, {}};
        }
        *target = ToStd(*value.text);
    }
    return {SettingsMessage::None, std::move(texts)};
}

SettingsMessage SetDealerTexts(const DealerTexts& texts) {
    StoreFile user(QSettings::UserScope);
    const QString language = ReadText(user, QString(kCurrentLanguage));
    if (language.isEmpty()) return SettingsMessage::LanguageMissing;
    if (user.status() == QSettings::AccessError || !user.isWritable()) {
        return SettingsMessage::OpenFailed;
    }
    for (const std::string* text : {&texts.dealerInfo, &texts.contactInfo, &texts.dealerNotes}) {
        if (CharacterCount(*text) > kDealerTextStoredLimit) return SettingsMessage::DealerTooLong;
    }
    const Assignments values = {
        {LanguageKey(language, kDealerInfo), QString::fromStdString(texts.dealerInfo)},
        {LanguageKey(language, kContactInfo), QString::fromStdString(texts.contactInfo)},
        {LanguageKey(language, kDealerNotes), QString::fromStdString(texts.dealerNotes)},
    };
    return StoreValues(user, QSettings::UserScope, values) ? SettingsMessage::None
                                                           : SettingsMessage::DealerWriteFailed;
}

}  // namespace vex

#include "settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QLatin1StringView>
#include <QSettings>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QTemporaryFile>
#include <QVariant>
#include <QVariantList>
#include <array>
#include <cctype>
#include <filesystem>
#include <memory>
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

// The files are QSettings INI files (the desktop keeps its own values in the user file too), and
// QSettings writes them. But reading a value written by hand, QSettings would cut it at ';' (a
// comment), split it at ',' (a list) and replace a byte that is not UTF-8. So the store's own
// values are read from the file's text by the reader below, which keeps every value exactly as
// it was written: sections for the first key level ([General] for none), '\' for '/' below it,
// '%' escapes in keys, quoted or plain values with backslash escapes. A line that is no setting is
// skipped; a value with bytes that are not UTF-8 is read as ISO 8859-1.

QString DecodeLine(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) return QString::fromLatin1(bytes);
    return text;
}

QString UnescapeKey(const QString& key) {
    QString out;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QChar c = key[i];
        if (c == QLatin1Char('\\')) {
            out += QLatin1Char('/');
        } else if (c == QLatin1Char('%') && i + 2 < key.size() + 0 &&
                   key[i + 1] == QLatin1Char('U') && i + 5 < key.size()) {
            bool ok = false;
            const uint code = key.mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(static_cast<char16_t>(code));
                i += 5;
            } else {
                out += c;
            }
        } else if (c == QLatin1Char('%') && i + 2 < key.size()) {
            bool ok = false;
            const uint code = key.mid(i + 1, 2).toUInt(&ok, 16);
            if (ok) {
                out += QChar(static_cast<char16_t>(code));
                i += 2;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

// Backslash escapes; an unknown one is kept as it stands. Stops at an unescaped '"' when quoted
// (the index of that quote is left in `end`).
QString Unescape(const QString& text, qsizetype from, bool quoted, qsizetype& end) {
    QString out;
    qsizetype i = from;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == QLatin1Char('"')) break;
        if (c != QLatin1Char('\\') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar e = text[++i];
        switch (e.unicode()) {
            case u'\\':
                out += QLatin1Char('\\');
                break;
            case u'"':
                out += QLatin1Char('"');
                break;
            case u'n':
                out += QLatin1Char('\n');
                break;
            case u'r':
                out += QLatin1Char('\r');
                break;
            case u't':
                out += QLatin1Char('\t');
                break;
            case u'0':
                out += QChar(u'\0');
                break;
            case u'x': {
                qsizetype n = 0;
                while (n < 4 && i + 1 + n < text.size() && isxdigit(text[i + 1 + n].toLatin1()))
                    ++n;
                if (n == 0) {
                    out += QLatin1String("\\x");
                } else {
                    out += QChar(static_cast<char16_t>(text.mid(i + 1, n).toUInt(nullptr, 16)));
                    i += n;
                }
                break;
            }
            default:
                out += QLatin1Char('\\');
                out += e;
        }
    }
    end = i;
    return out;
}

QVariant ParseValue(const QString& raw) {
    qsizetype end = 0;
    QString text;
    if (raw.startsWith(QLatin1Char('"'))) {
        text = Unescape(raw, 1, true, end);
        // A quoted value must end at its closing quote; anything else is taken as it stands.
        if (end != raw.size() - 1) return raw;
    } else {
        text = Unescape(raw, 0, false, end);
    }
    // As QSettings writes them: "@@" for a text beginning with '@'; other '@' values are not text.
    if (text.startsWith(QLatin1String("@@"))) return text.mid(1);
    if (text.startsWith(QLatin1String("@ByteArray(")) && text.endsWith(QLatin1Char(')'))) {
        return text.mid(11, text.size() - 12);
    }
    if (text.startsWith(QLatin1Char('@'))) return QVariantList{raw};
    return text;
}

bool ReadIni(QIODevice& device, QSettings::SettingsMap& map) {
    QString section;
    for (QByteArray bytes : device.readAll().split('\n')) {
        if (bytes.endsWith('\r')) bytes.chop(1);
        const QString line = DecodeLine(bytes).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = UnescapeKey(line.mid(1, line.size() - 2).trimmed());
            if (section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
                section.clear();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) continue;
        const QString key = UnescapeKey(line.left(equals).trimmed());
        map.insert(section.isEmpty() ? key : section + QLatin1Char('/') + key,
                   ParseValue(line.mid(equals + 1).trimmed()));
    }
    return true;
}

// The store's own values of one INI file as written (see ReadIni); empty when it cannot be read.
QSettings::SettingsMap RawValues(const QString& path) {
    QSettings::SettingsMap map;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) ReadIni(file, map);
    return map;
}

// The keys whose values the store reads: the rest of the file belongs to others and is left to
// QSettings as it is.
bool IsStoreKey(const QString& key) {
    for (const QLatin1StringView top :
         {kCurrentComPort, kCurrentLanguage, kDefaultLanguage, kInstallPath}) {
        if (key == top) return true;
    }
    if (!key.startsWith(QLatin1String("Language/"))) return false;
    for (const QLatin1StringView name : {kDealerInfo, kContactInfo, kDealerNotes, kHelpFileName}) {
        if (key.endsWith(QLatin1Char('/') + QString(name))) return true;
    }
    return false;
}

// One of the two settings files. Fallbacks are off: a user value is never taken from the
// installation file, and neither file falls back to an organisation-wide "Kestrion.ini".
class StoreFile : public QSettings {
  public:
    explicit StoreFile(Scope scope)
        : QSettings(IniFormat, scope, QString(kOrganisation), QString(kApplication)),
          m_raw(RawValues(fileName())) {
        setFallbacksEnabled(false);
    }
    // The installation file in one configuration folder.
    explicit StoreFile(const QString& path) : QSettings(path, IniFormat), m_raw(RawValues(path)) {
        setFallbacksEnabled(false);
    }

    // A value of the store as written in the file; others as QSettings reads them.
    QVariant value(const QString& key) const {
        if (IsStoreKey(key)) {
            const auto it = m_raw.find(key);
            if (it != m_raw.end()) return *it;
        }
        return QSettings::value(key);
    }

    // Sets or removes a value of the store (QSettings writes it with the next sync).
    void Set(const QString& key, const QVariant& value) {
        setValue(key, value);
        m_raw.insert(key, value);
    }
    void Remove(const QString& key) {
        remove(key);
        m_raw.remove(key);
    }

    // Before the store sets a value: the store's values that QSettings read differently from what
    // the file says are set to what it says, so that the next write keeps them.
    void KeepValuesAsWritten() {
        for (auto it = m_raw.begin(); it != m_raw.end(); ++it) {
            if (IsStoreKey(it.key()) && it->metaType().id() == QMetaType::QString &&
                QSettings::value(it.key()) != *it) {
                setValue(it.key(), *it);
            }
        }
    }

  private:
    QSettings::SettingsMap m_raw;
};

// The installation files: Kestrion/VEX480 PRG.ini in every folder of $XDG_CONFIG_DIRS (else
// /etc/xdg), in that order; a value is taken from the first file that has it.
class SystemFiles {
  public:
    SystemFiles() {
        QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
        if (dirs.isEmpty()) dirs = QStringLiteral("/etc/xdg");
        for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            const QString path = dir + QLatin1Char('/') + kOrganisation + QLatin1Char('/') +
                                 kApplication + QLatin1String(".ini");
            if (QFileInfo::exists(path)) m_files.push_back(std::make_unique<StoreFile>(path));
        }
        // None there: the system scope's own file (the desktop points it at the defaults its data
        // folder ships when nothing is installed).
        if (m_files.empty()) m_files.push_back(std::make_unique<StoreFile>(QSettings::SystemScope));
    }
    // The value of the first file that has the key, compared without regard to case (language
    // names are the only keys whose case may vary).
    QVariant value(const QString& key) const {
        for (const auto& file : m_files) {
            if (file->contains(key) || file->value(key).isValid()) return file->value(key);
            for (const QString& stored : file->allKeys()) {
                if (stored.compare(key, Qt::CaseInsensitive) == 0) return file->value(stored);
            }
        }
        return {};
    }

  private:
    std::vector<std::unique_ptr<StoreFile>> m_files;
};

QString LanguageKey(const QString& language, QLatin1StringView value) {
    QString key = QStringLiteral("Language/");
    key += language;
    key += QLatin1Char('/');
    key += value;
    return key;
}

// The key of a language's value in `file`: language names are compared without regard to case,
// so the spelling the file already has is used; a new language keeps the given spelling.
template <class Source>
QString LanguageKey(const Source& file, const QString& language, QLatin1StringView value) {
    const QString prefix = QStringLiteral("Language/");
    for (const QString& key : file.allKeys()) {
        if (!key.startsWith(prefix)) continue;
        const qsizetype slash = key.indexOf(QLatin1Char('/'), prefix.size());
        if (slash < 0) continue;
        const QString stored = key.mid(prefix.size(), slash - prefix.size());
        if (stored.compare(language, Qt::CaseInsensitive) == 0) return LanguageKey(stored, value);
    }
    return LanguageKey(language, value);
}

struct StoredValue {
    bool exists = false;
    std::optional<QString> text;  // empty when the value is not text
};

template <class Source>
StoredValue ReadValue(const Source& file, const QString& key) {
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

template <class Source>
QString ReadText(const Source& file, const QString& key) {
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
    file.KeepValuesAsWritten();
    std::vector<std::pair<QString, QVariant>> previous;
    for (const auto& [key, text] : values) {
        previous.emplace_back(key, file.value(key));
        file.Set(key, text);
    }
    if (Save(file, scope)) return true;
    for (const auto& [key, value] : previous) {
        if (value.isValid()) {
            file.Set(key, value);
        } else {
            file.Remove(key);
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
    return ToStd(ReadText(SystemFiles(), QString(kDefaultLanguage)));
}

std::string GetInstallPath(const std::string& fallback) {
    const QString configured = ReadText(SystemFiles(), QString(kInstallPath));
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
    return ToStd(ReadText(SystemFiles(), LanguageKey(language, kHelpFileName)));
}

bool CreateRegistryKeys() {
    // isWritable() creates the file's folder when it is missing. A save writes a new file beside
    // the old one and renames it, so the folder must take a new file too.
    const StoreFile user(QSettings::UserScope);
    if (!user.isWritable()) return false;
    QTemporaryFile probe(QFileInfo(user.fileName()).absolutePath() +
                         QStringLiteral("/.probe-XXXXXX"));
    return probe.open();
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

    const SystemFiles system;
    Assignments seeds;
    for (const QLatin1StringView name : {kDealerInfo, kDealerNotes, kContactInfo}) {
        const QString key = LanguageKey(user, language, name);
        const std::optional<QString> own = ReadValue(user, key).text;
        if (own && CharacterCount(*own) <= kSeedTextLimit) continue;
        QString seed = ReadText(system, LanguageKey(language, name));
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
        const StoredValue value = ReadValue(user, LanguageKey(user, language, name));
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
        {LanguageKey(user, language, kDealerInfo), QString::fromStdString(texts.dealerInfo)},
        {LanguageKey(user, language, kContactInfo), QString::fromStdString(texts.contactInfo)},
        {LanguageKey(user, language, kDealerNotes), QString::fromStdString(texts.dealerNotes)},
    };
    return StoreValues(user, QSettings::UserScope, values) ? SettingsMessage::None
                                                           : SettingsMessage::DealerWriteFailed;
}

}  // namespace vex

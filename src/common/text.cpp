#include "common/text.h"

#include <cstdint>

namespace vex {

namespace {

constexpr char32_t kInvalid = 0xFFFD;

// Decodes the code point at text[pos] and advances pos; a malformed sequence gives kInvalid and
// consumes one byte.
char32_t NextUtf8(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        ++pos;
        return kInvalid;
    }
    if (pos + length > text.size()) {
        ++pos;
        return kInvalid;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint8_t next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kInvalid;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kInvalid;
    }
    pos += length;
    return cp;
}

// Windows-1252 bytes 0x80-0x9F; 0 marks the five bytes the code page leaves undefined, which map
// to the C1 control of the same value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t RadioCodePoint(std::uint8_t byte) {
    if (byte < 0x80 || byte > 0x9F) return byte;
    const char16_t mapped = kHighControls[byte - 0x80];
    return mapped != 0 ? mapped : byte;
}

// The radio byte of a code point; -1 when the code page has none.
int RadioByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        const char16_t mapped = kHighControls[i];
        if (mapped == 0 ? cp == static_cast<char32_t>(0x80 + i) : cp == mapped) return 0x80 + i;
    }
    return -1;
}

char32_t Fold(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    // ISO 8859-1 capitals, except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    switch (c) {
        case 0x0160:  // Š
        case 0x0152:  // Œ
        case 0x017D:  // Ž
            return c + 1;
        case 0x0178:  // Ÿ
            return 0xFF;
        default:
            return c;
    }
}

int Compare(char32_t a, char32_t b) {
    a = Fold(a);
    b = Fold(b);
    return a < b ? -1 : (a > b ? 1 : 0);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string RadioToUtf8(std::string_view radioBytes) {
    std::string out;
    out.reserve(radioBytes.size());
    for (char ch : radioBytes) AppendUtf8(out, RadioCodePoint(static_cast<std::uint8_t>(ch)));
    return out;
}

std::string Utf8ToRadio(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const int byte = RadioByte(NextUtf8(utf8, pos));
        out += byte >= 0 ? static_cast<char>(byte) : '?';
    }
    return out;
}

std::u32string CharactersRadioCannotHold(std::string_view utf8) {
    std::u32string found;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t cp = NextUtf8(utf8, pos);
        if (RadioByte(cp) < 0 && found.find(cp) == std::u32string::npos) found += cp;
    }
    return found;
}

std::string CodePointName(char32_t c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string digits;
    for (; c != 0 || digits.size() < 4; c >>= 4) digits.insert(digits.begin(), kHex[c & 0xF]);
    return "U+" + digits;
}

int CompareUtf8NoCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (const int c = Compare(NextUtf8(a, i), NextUtf8(b, j)); c != 0) return c;
    }
    return (i < a.size()) - (j < b.size());
}

int CompareRadioNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int c = Compare(RadioCodePoint(static_cast<std::uint8_t>(a[i])),
                              RadioCodePoint(static_cast<std::uint8_t>(b[i])));
        if (c != 0) return c;
    }
    return (a.size() > n) - (b.size() > n);
}

std::string EscapeXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace vex

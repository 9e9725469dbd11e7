#include "codeplug/write_limits.h"

#include <algorithm>

#include "codeplug/data_adaptor.h"
#include "codeplug/radio_forms.h"
#include "codeplug/virtual_cp.h"
#include "common/text.h"

namespace vex {

namespace {

const char* KindName(const ContactRecord& contact) {
    if (contact.IsType(ContactType::PublicGroup)) return "PublicGroup";
    if (contact.IsType(ContactType::PrivateGroup)) return "PrivateGroup";
    return "Private";
}

// Code points of valid UTF-8 (a malformed sequence counts as one per byte).
std::size_t Characters(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool OnlyBlanks(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

class Findings {
  public:
    void Limit(const std::string& entry, std::string limit, const std::string& found) {
        m_list.push_back({LimitFinding::Kind::Limit, entry, limit,
                          entry + ": " + found + "; the radio takes " + limit});
    }

    void Characters(const std::string& entry, std::string_view utf8) {
        for (const char32_t c : CharactersRadioCannotHold(utf8)) {
            std::string name = CodePointName(c);
            if (c != U'\uFFFD') name += " '" + Character(utf8, c) + "'";
            m_list.push_back(
                {LimitFinding::Kind::Character, entry,
                 "characters of the radio's code page (Windows-1252)",
                 entry + ": the radio cannot hold " + name + "; it would be sent as '?'"});
        }
    }

    void Length(const std::string& entry, std::string_view text, std::size_t most) {
        const std::size_t n = vex::Characters(text);
        if (n > most) {
            Limit(entry, "at most " + std::to_string(most) + " characters",
                  std::to_string(n) + " characters");
        }
    }

    std::vector<LimitFinding> Take() { return std::move(m_list); }

  private:
    // The UTF-8 sequence of code point c as it appears in utf8.
    static std::string Character(std::string_view utf8, char32_t c) {
        for (std::size_t i = 0; i < utf8.size();) {
            std::size_t n = 1;
            const auto lead = static_cast<unsigned char>(utf8[i]);
            if (lead >= 0xF0)
                n = 4;
            else if (lead >= 0xE0)
                n = 3;
            else if (lead >= 0xC0)
                n = 2;
            n = std::min(n, utf8.size() - i);
            const std::string_view one = utf8.substr(i, n);
            if (CharactersRadioCannotHold(one) == std::u32string(1, c)) return std::string(one);
            i += n;
        }
        return "?";
    }

    std::vector<LimitFinding> m_list;
};

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

}  // namespace

std::vector<LimitFinding> CheckRadioLimits(std::string_view profileText) {
    // The profile's own texts, not yet narrowed to the radio's code page.
    VirtualCP wide;
    CDataAdaptor::XML2VirtualCP(profileText, wide, ImageText::Profile);
    VirtualCP sent;
    CDataAdaptor::XML2VirtualCP(profileText, sent);

    Findings findings;
    for (std::size_t i = 0; i < kContactSlots; ++i) {
        const ContactRecord& contact = wide.m_contacts[i];
        if (contact.IsType(ContactType::Empty) || (contact.name.empty() && contact.pid.empty())) {
            continue;
        }
        const std::string entry =
            std::string(KindName(contact)) + " " + Quoted(contact.name) + " (" + contact.pid + ")";
        if (OnlyBlanks(contact.name)) {
            findings.Limit(entry, "a name with a visible character", "no name");
        }
        findings.Length(entry, contact.name, kMaxContactNameLength);
        for (std::size_t j = 0; j < i; ++j) {
            const ContactRecord& other = wide.m_contacts[j];
            if (other.IsType(ContactType::Empty) || other.name.empty()) continue;
            if (CompareUtf8NoCase(other.name, contact.name) == 0) {
                findings.Limit(entry, "names that differ without regard to case",
                               "the same name as " + std::string(KindName(other)) + " " +
                                   Quoted(other.name) + " (" + other.pid + ")");
                break;
            }
        }
        findings.Characters(entry, contact.name);
        if (!EncodeContactRecord(sent.m_contacts[i])) {
            findings.Limit(entry,
                           "a record of at most " + std::to_string(kMaxFormLength) + " bytes",
                           "a longer record");
        }
    }
    std::size_t number = 0;
    for (std::size_t i = 0; i < kTextSlots; ++i) {
        const std::string& text = wide.m_texts[i];
        if (text.empty()) continue;
        std::size_t cut = std::min<std::size_t>(text.size(), 24);
        while (cut < text.size() && cut > 0 &&
               (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        const std::string shown = cut < text.size() ? text.substr(0, cut) + "..." : text;
        const std::string entry = "TextMessage " + std::to_string(++number) + " " + Quoted(shown);
        findings.Length(entry, text, kMaxTextMessageLength);
        findings.Characters(entry, text);
    }
    if (!sent.m_settings.call_forward_id.empty()) {
        findings.Characters("setting call_forward_id", wide.m_settings.call_forward_id);
    }
    return findings.Take();
}

bool AnyLimitExceeded(const std::vector<LimitFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const LimitFinding& f) { return f.kind == LimitFinding::Kind::Limit; });
}

}  // namespace vex

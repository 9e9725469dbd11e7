#include "report/report_generator.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "common/exception.h"
#include "common/file_io.h"
#include "common/pid.h"
#include "common/strings.h"
#include "common/text.h"

namespace vex {

namespace {

// The page fragments. They are filled by Fill, never by printf: "%s" and "%d" take the next
// argument, "%%" is one percent sign.
constexpr std::string_view kSectionTitle = "<div class=\"ItemTitle\">%s</div>";
constexpr std::string_view kSubtitle = "<span class=\"ItemTitleU\">%s</span><BR>";
constexpr std::string_view kNameValue =
    "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" class=\"Item\">        <tr>\t\t  <td "
    "width=\"110\" class=\"ItemName\">%s:</td>          <td width=\"70\" class=\"ItemVal\">%s</td> "
    "       </tr>      </table>";
constexpr std::string_view kSingleRow =
    "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" class=\"Item\">        <tr>          "
    "<td width=\"15\">&nbsp;</td>          <td width=\"265\" class=\"ItemVal\">%s</td>        "
    "</tr>      </table>";
constexpr std::string_view kParagraph =
    "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\">        <tr>\t\t<td "
    "class=\"ItemVal\"><p>%s</p></td>        </tr>      </table>";
constexpr std::string_view kListStart = "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\">";
constexpr std::string_view kListRowStart = "<tr><td width=\"15\">&nbsp;</td>";
constexpr std::string_view kListFirst = "<td width=\"265\" class=\"ItemVal\">%s</td>";
constexpr std::string_view kListSecond = "<td width=\"265\" class=\"ItemVal\">%s</td></tr>";
constexpr std::string_view kDealerTable =
    "<table width='445'><tr><td><table width=\"100%%\" border=\"0\" cellpadding=\"0\" "
    "cellspacing=\"0\">        <tr>          <td width=\"33%%\" class=\"ItemVal\" align=\"left\" "
    "valign=\"top\">%s</td>          <td width=\"33%%\" class=\"ItemVal\" align=\"center\" "
    "valign=\"top\">%s</td>          <td width=\"33%%\" class=\"ItemVal\" align=\"right\" "
    "valign=\"top\">%s</td>\t\t  </tr>      </table></td></tr></table>";
constexpr std::string_view kPrivatesHeader =
    "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" class=\"Item\">        <tr>          "
    "<td width=\"100\" class=\"ItemTitleUC\">Name</td>          <td width=\"74\" "
    "class=\"ItemTitleUC\">PID</td>          <td width=\"48\" class=\"ItemTitleUC\">Channel</td>   "
    "       <td width=\"30\" class=\"ItemTitleUC\" Title=\"Group Only\">G.O.</td>        </tr>";
constexpr std::string_view kPrivateRow =
    "<tr>          <td class=\"ItemVal\">%s</td>          <td class=\"ItemVal\">%s</td>          "
    "<td class=\"ItemVal\">%d</td>          <td class=\"ItemVal\">%s</td>        </tr>";
constexpr std::string_view kGroupsHeader =
    "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" class=\"Item\">        <tr>          "
    "<td width=\"136\" class=\"ItemTitleUC\">Name</td>          <td width=\"74\" "
    "class=\"ItemTitleUC\">PID</td>          <td width=\"46\" class=\"ItemTitleUC\">Channel</td>   "
    "     </tr>";
constexpr std::string_view kGroupRow =
    "<tr>          <td  class=\"ItemVal\">%s</td>          <td class=\"ItemVal\">%s</td>          "
    "<td class=\"ItemVal\">%d</td>        </tr>";

constexpr std::string_view kRule = "<HR color='#0000ff'>";
constexpr std::string_view kContentStart = "&nbsp;<BR>&nbsp;<BR>";
constexpr std::string_view kListEnd = "</table>";

// String-table ids of the labels.
namespace label {
constexpr int kChannel = 116;
constexpr int kScrollList = 118;
constexpr int kScanMode = 120;
constexpr int kTextMessages = 130;
constexpr int kDealerInformation = 159;
constexpr int kRadioSpecificReport = 170;
constexpr int kOverviewReport = 171;
constexpr int kName = 175;
constexpr int kModel = 181;
constexpr int kHomeChannel = 182;
constexpr int kSeeAllGroups = 183;
constexpr int kReceiveFrom = 184;
constexpr int kTransmitTo = 185;
constexpr int kAllPrivates = 186;
constexpr int kAllPrivateGroups = 187;
constexpr int kAllPublicGroups = 188;
constexpr int kManagerModeEnabled = 189;
constexpr int kSeeAllGroupsEnabled = 190;
constexpr int kGroupOnlyEnabled = 191;
constexpr int kPrivateGroups = 192;
constexpr int kPublicGroups = 193;
constexpr int kReceiveList = 194;
constexpr int kGroupMembers = 195;
constexpr int kEnabled = 196;
constexpr int kDisabled = 197;
constexpr int kManagerMode = 203;
constexpr int kUnitPrivateId = 10057;
constexpr int kFirmwareVersion = 10059;
constexpr int kCodeplugVersion = 10060;
constexpr int kHomeGroup = 10095;
constexpr int kGroupOnly = 10097;
constexpr int kRinger = 10098;
constexpr int kNone = 10136;
}  // namespace label

constexpr char kFamilyInitial = 'V';
constexpr std::string_view kFamilyName = "VEX";

std::string Label(int id) {
    return std::string(StringText(id));
}

std::string Fill(std::string_view format, std::initializer_list<std::string_view> arguments) {
    std::string out;
    out.reserve(format.size() + 64);
    auto next = arguments.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char kind = format[i + 1];
            if (kind == '%') {
                out += '%';
                ++i;
                continue;
            }
            if ((kind == 's' || kind == 'd') && next != arguments.end()) {
                out += *next++;
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::string Escape(std::string_view text) {
    return EscapeXmlText(text);
}

// ---------------------------------------------------------------------------------------------
// Reading the profile

std::string Text(const CDataItem& item, std::string_view name) {
    const AttributeValue value = item.GetAttributeValue(name);
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (const auto* b = std::get_if<bool>(&value)) return *b ? "1" : "0";
    if (const auto* i = std::get_if<std::int32_t>(&value)) return std::to_string(*i);
    return std::to_string(std::get<std::uint32_t>(value));
}

std::int64_t Number(const CDataItem& item, std::string_view name) {
    const AttributeValue value = item.GetAttributeValue(name);
    if (const auto* i = std::get_if<std::int32_t>(&value)) return *i;
    if (const auto* u = std::get_if<std::uint32_t>(&value)) return *u;
    if (const auto* b = std::get_if<bool>(&value)) return *b ? 1 : 0;
    return PidToInt64(std::get<std::string>(value));
}

bool Flag(const CDataItem& item, std::string_view name) {
    const AttributeValue value = item.GetAttributeValue(name);
    if (const auto* b = std::get_if<bool>(&value)) return *b;
    if (const auto* s = std::get_if<std::string>(&value)) return *s == "1" || *s == "true";
    return Number(item, name) != 0;
}

std::vector<CDataItem> Children(const CDataItem& list) {
    std::vector<CDataItem> out;
    const std::int32_t n = list.GetChildCount();
    for (std::int32_t i = 0; i < n; ++i) out.push_back(list.GetChildByIndex(i));
    return out;
}

struct Profile {
    explicit Profile(const CDataItem& root)
        : limit(root.GetChildByName("limit")),
          version(root.GetChildByName("version")),
          setting(root.GetChildByName("setting")) {
        const CDataItem contacts = root.GetChildByName("Contacts");
        privates = Children(contacts.GetChildByName("Privates"));
        privateGroups = Children(contacts.GetChildByName("PrivateGroups"));
        publicGroups = Children(contacts.GetChildByName("PublicGroups"));
        texts = Children(root.GetChildByName("TextMessages"));
        ownPid = Text(limit, "pid");
        for (const CDataItem& p : privates) {
            if (Text(p, "pid") == ownPid) {
                own = p;
                break;
            }
        }
    }

    CDataItem limit;
    CDataItem version;
    CDataItem setting;
    std::vector<CDataItem> privates;
    std::vector<CDataItem> privateGroups;
    std::vector<CDataItem> publicGroups;
    std::vector<CDataItem> texts;
    std::string ownPid;
    CDataItem own;  // empty without an own entry
};

// The pids of the private groups a private belongs to, in document order.
std::vector<std::string> MembershipPids(const CDataItem& aPrivate) {
    std::vector<std::string> pids;
    for (const CDataItem& parents : Children(aPrivate)) {
        if (parents.GetName() != "ParentPrivateGroups") continue;
        for (const CDataItem& parent : Children(parents)) pids.push_back(Text(parent, "pid"));
    }
    return pids;
}

// ---------------------------------------------------------------------------------------------
// Lists that stay sorted: a new entry goes before the first that compares greater without regard
// to case, so equal keys keep their order of arrival. Each entry carries the HTML of its row.

class SortedList {
  public:
    void Add(std::string key, std::string html = {}) {
        auto at = std::find_if(m_entries.begin(), m_entries.end(), [&](const auto& entry) {
            return CompareUtf8NoCase(entry.first, key) > 0;
        });
        m_entries.insert(at, {std::move(key), std::move(html)});
    }
    bool Empty() const { return m_entries.empty(); }
    bool Contains(std::string_view key) const {
        return std::any_of(m_entries.begin(), m_entries.end(),
                           [&](const auto& entry) { return entry.first == key; });
    }
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return m_entries; }

  private:
    std::vector<std::pair<std::string, std::string>> m_entries;
};

class Page {
  public:
    void SectionTitle(std::string_view title) { m_out += Fill(kSectionTitle, {Escape(title)}); }
    void Subtitle(std::string_view text) { m_out += Fill(kSubtitle, {Escape(text)}); }
    void NameValue(std::string_view label, std::string_view value) {
        m_out += Fill(kNameValue, {label, Escape(value)});
    }
    void SingleRow(std::string_view text) { m_out += Fill(kSingleRow, {Escape(text)}); }
    void Paragraph(std::string_view text) { m_out += Fill(kParagraph, {Escape(text)}); }
    void Rule() { m_out += kRule; }
    void Raw(std::string_view html) { m_out += html; }

    // Two columns of names; "None" when there are none.
    void TwoColumns(const SortedList& names) {
        if (names.Empty()) {
            SingleRow(Label(label::kNone));
            return;
        }
        const auto& entries = names.Entries();
        m_out += kListStart;
        for (std::size_t i = 0; i < entries.size(); i += 2) {
            m_out += kListRowStart;
            m_out += Fill(kListFirst, {Escape(entries[i].first)});
            m_out += i + 1 < entries.size() ? Fill(kListSecond, {Escape(entries[i + 1].first)})
                                            : Fill(kListSecond, {"&nbsp;"});
        }
        m_out += kListEnd;
    }

    void Dealer(const std::optional<DealerTexts>& dealer);

    std::string Take() { return std::move(m_out); }

  private:
    std::string m_out;
};

bool Blank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    });
}

// Escaped, every line break a "<BR>", and exactly one "<BR>" at the end. CR LF, a lone LF and a
// lone CR all count as line breaks: texts kept on this system end lines with LF.
std::string DealerCell(std::string_view text) {
    const std::string escaped = Escape(text);
    std::string out;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '\r' && i + 1 < escaped.size() && escaped[i + 1] == '\n') {
            out += "<BR>";
            ++i;
        } else if (escaped[i] == '\r' || escaped[i] == '\n') {
            out += "<BR>";
        } else {
            out += escaped[i];
        }
    }
    if (!out.ends_with("<BR>")) out += "<BR>";
    return out;
}

void Page::Dealer(const std::optional<DealerTexts>& dealer) {
    if (!dealer ||
        (Blank(dealer->dealerInfo) && Blank(dealer->contactInfo) && Blank(dealer->dealerNotes))) {
        return;
    }
    SectionTitle(Label(label::kDealerInformation));
    m_out += Fill(kDealerTable, {DealerCell(dealer->dealerInfo), DealerCell(dealer->dealerNotes),
                                 DealerCell(dealer->contactInfo)});
    Rule();
}

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

std::string Hex2(std::int64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(value));
    return buffer;
}

std::string Dec2(std::int64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02d", static_cast<int>(value));
    return buffer;
}

std::string YesNo(bool on) {
    return Label(on ? label::kEnabled : label::kDisabled);
}

// ---------------------------------------------------------------------------------------------
// The radio-specific report

std::string SpecContent(const Profile& p, const CDataItem& root,
                        const std::optional<DealerTexts>& dealer, std::string& displayModel) {
    Page page;
    page.Raw(kContentStart);
    page.Dealer(dealer);

    const CDataItem& own = p.own;
    const bool hasOwn = !own.IsEmpty();
    const std::string model = Text(p.limit, "model");
    displayModel = ReplaceAll(model, std::string_view(&kFamilyInitial, 1), kFamilyName);

    page.NameValue(Label(label::kUnitPrivateId), p.ownPid);
    page.NameValue(Label(label::kName), hasOwn ? Text(own, "name") : "");
    page.NameValue(Label(label::kFirmwareVersion),
                   Text(p.version, "firmware_phase") + Hex2(Number(p.version, "firmware_release")) +
                       "." + Dec2(Number(p.version, "firmware_version")) + "." +
                       Dec2(Number(p.version, "firmware_revision")));
    page.NameValue(Label(label::kCodeplugVersion),
                   "CP" + Hex2(Number(p.version, "codeplug_structure")) + "." +
                       Hex2(Number(p.version, "codeplug_version")) + "." +
                       Hex2(Number(p.version, "codeplug_dev_version")));
    page.NameValue(Label(label::kModel), displayModel);
    const std::int64_t ownChannel = hasOwn ? Number(own, "channel") : 0;
    page.NameValue(Label(label::kHomeChannel), hasOwn ? std::to_string(ownChannel) : "");
    const std::string homePid = hasOwn ? Text(own, "home_grp") : "";
    const std::string homeName = CDataItem::GetContactNameByID(root, homePid);
    page.NameValue(Label(label::kHomeGroup), homeName.empty() ? Label(label::kNone) : homeName);
    page.NameValue(Label(label::kGroupOnly), YesNo(hasOwn && Flag(own, "show_grp_only")));
    page.NameValue(Label(label::kRinger), hasOwn ? Text(own, "alert_tone") : "");

    if (Flag(p.limit, "mngr_mode_en")) {
        page.NameValue(Label(label::kManagerMode), YesNo(hasOwn && Flag(own, "mngr_mode")));
    }
    bool seesAllGroups = false;
    if (Flag(p.limit, "see_all_groups_en")) {
        seesAllGroups = hasOwn && Flag(own, "see_all_groups");
        page.NameValue(Label(label::kSeeAllGroups), YesNo(seesAllGroups));
    }
    bool scanOn = false;
    if (Flag(p.limit, "public_scan_en")) {
        scanOn = Flag(p.setting, "scan_en");
        page.NameValue(Label(label::kScanMode), YesNo(scanOn));
    }
    const std::vector<std::string> memberships =
        hasOwn ? MembershipPids(own) : std::vector<std::string>();

    // Receive From
    page.Rule();
    page.SectionTitle(Label(label::kReceiveFrom));
    SortedList receive;
    bool homeAdded = false;
    if (!homePid.empty()) {
        const CDataItem home = CDataItem::GetContactByID(root, homePid);
        if (!home.IsEmpty() && Number(home, "cntct_type") == 2) {
            receive.Add(homeName);
            homeAdded = true;
        }
    }
    if (scanOn) {
        for (const CDataItem& group : p.publicGroups) {
            if (Number(group, "channel") != ownChannel || !Flag(group, "in_scan_list")) continue;
            const std::string name = Text(group, "name");
            if (homeAdded && name == homeName) continue;
            receive.Add(name);
        }
    }
    for (const std::string& pid : memberships) {
        receive.Add(CDataItem::GetContactNameByID(root, pid));
    }
    page.TwoColumns(receive);

    // Transmit To
    page.Rule();
    page.SectionTitle(Label(label::kTransmitTo));
    SortedList transmit;
    for (const CDataItem& group : p.publicGroups) transmit.Add(Text(group, "name"));
    if (seesAllGroups) {
        for (const CDataItem& group : p.privateGroups) transmit.Add(Text(group, "name"));
    } else {
        for (const std::string& pid : memberships) {
            transmit.Add(CDataItem::GetContactNameByID(root, pid));
        }
    }
    page.TwoColumns(transmit);

    // Scroll List
    page.Rule();
    page.SectionTitle(Label(label::kScrollList));
    SortedList scroll;
    for (const CDataItem& group : p.publicGroups) {
        if (Flag(group, "in_scroll_list")) scroll.Add(Text(group, "name"));
    }
    if (seesAllGroups) {
        for (const CDataItem& group : p.privateGroups) {
            if (Flag(group, "in_scroll_list")) scroll.Add(Text(group, "name"));
        }
    } else {
        for (const std::string& pid : memberships) {
            const CDataItem group = CDataItem::GetContactByID(root, pid);
            if (!group.IsEmpty() && Flag(group, "in_scroll_list")) scroll.Add(Text(group, "name"));
        }
    }
    const std::string ownName = hasOwn ? Text(own, "name") : "";
    for (const CDataItem& aPrivate : p.privates) {
        const std::string name = Text(aPrivate, "name");
        if ((!hasOwn || name != ownName) && Flag(aPrivate, "in_scroll_list")) scroll.Add(name);
    }
    page.TwoColumns(scroll);

    // Text Messages
    page.Rule();
    page.SectionTitle(Label(label::kTextMessages));
    SortedList texts;
    for (const CDataItem& text : p.texts) texts.Add(Text(text, "txt"));
    if (texts.Empty()) {
        page.SingleRow(Label(label::kNone));
    } else {
        for (const auto& [text, html] : texts.Entries()) page.Paragraph(text);
    }
    return page.Take();
}

// ---------------------------------------------------------------------------------------------
// The overview report

// starting_public_grp_pid - pid + 1 in 64 bits, shown from its low 32 bits: the pool counts down
// from the starting ID, so the first group is number 1.
std::string GroupNumber(const std::string& start, const std::string& pid) {
    const std::int64_t difference = PidToInt64(start) - PidToInt64(pid) + 1;
    return std::to_string(static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(difference) & 0xFFFFFFFFu)));
}

void GroupTable(Page& page, const std::vector<CDataItem>& groups, bool numbered,
                const std::string& start) {
    if (groups.empty()) {
        page.SingleRow(Label(label::kNone));
        return;
    }
    SortedList rows;
    for (const CDataItem& g : groups) {
        const std::string pid = Text(g, "pid");
        rows.Add(Text(g, "name"), Fill(kGroupRow, {Escape(Text(g, "name")),
                                                   Escape(numbered ? GroupNumber(start, pid) : pid),
                                                   std::to_string(Number(g, "channel"))}));
    }
    page.Raw(kGroupsHeader);
    for (const auto& [key, html] : rows.Entries()) page.Raw(html);
    page.Raw(kListEnd);
}

void NamesWithFlag(Page& page, int title, const std::vector<CDataItem>& privates,
                   std::string_view flag) {
    page.Rule();
    page.SectionTitle(Label(title));
    SortedList names;
    for (const CDataItem& p : privates) {
        if (Flag(p, flag)) names.Add(Text(p, "name"));
    }
    page.TwoColumns(names);
}

std::string GroupHeading(const CDataItem& group) {
    return Text(group, "name") + " (" +
           Fill(StringText(label::kChannel), {std::to_string(Number(group, "channel"))}) + ")";
}

// A section of group blocks, sorted by group name: each block is the group's name and channel, a
// subtitle and the names that `namesOf` lists for the group.
void GroupBlocks(Page& page, int title, const std::vector<CDataItem>& groups, int subtitle,
                 const std::function<void(const CDataItem&, SortedList&)>& namesOf) {
    page.SectionTitle(Label(title));
    if (groups.empty()) {
        page.Raw("&nbsp;");
        page.Subtitle(Label(label::kNone));
        return;
    }
    SortedList blocks;
    for (const CDataItem& group : groups) {
        Page block;
        block.Subtitle(GroupHeading(group));
        block.Raw("&nbsp;&nbsp;");
        block.Subtitle(Label(subtitle));
        SortedList names;
        namesOf(group, names);
        block.TwoColumns(names);
        block.Raw("<BR>");
        blocks.Add(Text(group, "name"), block.Take());
    }
    for (const auto& [key, html] : blocks.Entries()) page.Raw(html);
}

std::string OverviewContent(const Profile& p, const CDataItem& root,
                            const std::optional<DealerTexts>& dealer) {
    Page page;
    page.Raw(kContentStart);
    page.Dealer(dealer);

    page.SectionTitle(Label(label::kAllPrivates));
    if (p.privates.empty()) {
        page.SingleRow(Label(label::kNone));
    } else {
        SortedList rows;
        for (const CDataItem& x : p.privates) {
            rows.Add(Text(x, "name"),
                     Fill(kPrivateRow, {Escape(Text(x, "name")), Escape(Text(x, "pid")),
                                        std::to_string(Number(x, "channel")),
                                        Flag(x, "show_grp_only") ? "Yes" : "No"}));
        }
        page.Raw(kPrivatesHeader);
        for (const auto& [key, html] : rows.Entries()) page.Raw(html);
        page.Raw(kListEnd);
    }

    const std::string start = Text(p.limit, "starting_public_grp_pid");
    page.Rule();
    page.SectionTitle(Label(label::kAllPublicGroups));
    GroupTable(page, p.publicGroups, true, start);
    page.Rule();
    page.SectionTitle(Label(label::kAllPrivateGroups));
    GroupTable(page, p.privateGroups, false, start);

    NamesWithFlag(page, label::kManagerModeEnabled, p.privates, "mngr_mode");
    NamesWithFlag(page, label::kSeeAllGroupsEnabled, p.privates, "see_all_groups");
    NamesWithFlag(page, label::kGroupOnlyEnabled, p.privates, "show_grp_only");

    GroupBlocks(page, label::kPrivateGroups, p.privateGroups, label::kGroupMembers,
                [&](const CDataItem& group, SortedList& members) {
                    std::vector<std::string> pids;
                    std::vector<std::string> names;
                    CDataItem::GetGroupMemeber(root, Text(group, "pid"), pids, names);
                    for (auto& name : names) members.Add(std::move(name));
                });
    page.Rule();
    // A public group reaches the privates of its channel while it is scanned, else the privates
    // whose home group it is.
    GroupBlocks(
        page, label::kPublicGroups, p.publicGroups, label::kReceiveList,
        [&](const CDataItem& group, SortedList& receivers) {
            const bool scanned = Flag(group, "in_scan_list");
            const std::int64_t channel = Number(group, "channel");
            const std::string pid = Text(group, "pid");
            for (const CDataItem& x : p.privates) {
                if (scanned ? Number(x, "channel") == channel : Text(x, "home_grp") == pid) {
                    receivers.Add(Text(x, "name"));
                }
            }
        });
    return page.Take();
}

}  // namespace

bool HasOwnEntry(const CDataItem& root) {
    return !Profile(root).own.IsEmpty();
}

std::string LoadReportTemplate(const std::string& path) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, error)) {
        CVEXPRGException e(ids::kFatalError101, "CReportOptionDlg::LoadReportTemplate", __LINE__,
                           "Open template file failed");
        e.AddContext("CReportOptionDlg::LoadReportTemplate", __LINE__, error);
        throw e;
    }
    return text;
}

std::string BuildReport(ReportKind kind, const CDataItem& root, std::string_view templateText,
                        const std::optional<DealerTexts>& dealer) {
    const Profile profile(root);
    const std::size_t marker = templateText.find(kReportMarker);
    const std::size_t cut =
        marker == std::string_view::npos ? templateText.size() : marker + kReportMarker.size();
    std::string head(templateText.substr(0, cut));
    const std::string_view tail = templateText.substr(cut);

    std::string content;
    std::string title;
    std::string picture;
    if (kind == ReportKind::RadioSpecific) {
        std::string displayModel;
        content = SpecContent(profile, root, dealer, displayModel);
        picture = Text(profile.limit, "model");
        title = Fill("%s - %s:%s&nbsp;&nbsp;&nbsp;&nbsp;%s:%s",
                     {StringText(label::kRadioSpecificReport), StringText(label::kUnitPrivateId),
                      Escape(profile.ownPid), StringText(label::kModel), Escape(displayModel)});
    } else {
        content = OverviewContent(profile, root, dealer);
        picture = Text(profile.limit, "model").substr(0, 2) + "S";
        title = Label(label::kOverviewReport);
    }
    head = ReplaceAll(std::move(head), "REPORT_TITLE", title);
    head = ReplaceAll(std::move(head), "MODEL_PIC", Escape(picture));
    return head + content + std::string(tail);
}

namespace {

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        }
        for (std::size_t k = 0; k < 4; ++k) {
            out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return out;
}

std::string_view MimeTypeOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    std::string suffix(dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1));
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (suffix == "jpg" || suffix == "jpeg") return "image/jpeg";
    if (suffix == "gif") return "image/gif";
    if (suffix == "svg") return "image/svg+xml";
    return "image/png";
}

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// A picture larger than this is left named, not embedded.
constexpr std::size_t kMaxPictureBytes = 16u << 20;

}  // namespace

std::string EmbedPictures(std::string_view page, const std::vector<std::string>& folders) {
    std::string out;
    std::size_t copied = 0;
    for (std::size_t at = 0; at + 3 <= page.size(); ++at) {
        // src, as a word of its own, then '=' and a quoted value, spaces allowed around '='.
        if (std::tolower(static_cast<unsigned char>(page[at])) != 's' ||
            std::tolower(static_cast<unsigned char>(page[at + 1])) != 'r' ||
            std::tolower(static_cast<unsigned char>(page[at + 2])) != 'c' ||
            (at > 0 && IsWordChar(page[at - 1]))) {
            continue;
        }
        std::size_t i = at + 3;
        while (i < page.size() && IsSpace(page[i])) ++i;
        if (i >= page.size() || page[i] != '=') continue;
        ++i;
        while (i < page.size() && IsSpace(page[i])) ++i;
        if (i >= page.size() || page[i] != '"') continue;
        const std::size_t start = i + 1;
        const std::size_t end = page.find_first_of("\":", start);
        if (end == std::string_view::npos || page[end] != '"' || end == start) continue;
        const std::string name(page.substr(start, end - start));
        std::string picture;
        bool found = false;
        for (const std::string& folder : folders) {
            std::string error;
            const std::string path = folder.ends_with('/') ? folder + name : folder + "/" + name;
            if (ReadWholeFile(path, picture, error, kMaxPictureBytes)) {
                found = true;
                break;
            }
        }
        if (!found) continue;
        out.append(page.substr(copied, start - copied));
        out += "data:";
        out += MimeTypeOf(name);
        out += ";base64,";
        out += Base64(picture);
        copied = end;
        at = end;
    }
    out.append(page.substr(copied));
    return out;
}

void SaveReport(const std::string& path, std::string_view page) {
    std::string error;
    if (!WriteFileAtomically(path, page, error)) {
        CVEXPRGException e(ids::kFatalError101, "CReportOptionDlg::SaveReport", __LINE__,
                           "Open script file failed");
        e.AddContext("CReportOptionDlg::SaveReport", __LINE__, error);
        throw e;
    }
}

std::string GenerateReport(ReportKind kind, const CDataItem& root, const std::string& reportFolder,
                           const std::optional<DealerTexts>& dealer,
                           const std::string& outputPath) {
    const bool radioReport = kind == ReportKind::RadioSpecific;
    const std::string folder = reportFolder.ends_with('/') ? reportFolder : reportFolder + "/";
    const std::string page = BuildReport(
        kind, root,
        LoadReportTemplate(folder + std::string(radioReport ? kSpecTemplate : kOverviewTemplate)),
        dealer);
    const std::string output =
        outputPath.empty() ? folder + std::string(radioReport ? kSpecOutput : kOverviewOutput)
                           : outputPath;
    SaveReport(output, page);
    return output;
}

}  // namespace vex

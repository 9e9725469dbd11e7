#include "model/data_item.h"

#include <libxml/xpathInternals.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

#include "common/exception.h"
#include "common/namespaces.h"
#include "common/strings.h"
#include "model/profile_schema.h"
#include "model/profile_text.h"
#include "model/script_host.h"

namespace vex {

namespace {

std::string Format(const char* format, std::string_view a) {
    std::string text(format);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, a);
    return text;
}

std::string DomFailure(std::string_view message, std::string_view description,
                       std::string_view source) {
    std::string detail = "ErrorMsg: ";
    detail += message;
    detail += "\nDesc: ";
    detail += description;
    detail += "\nSource: ";
    detail += source;
    return detail;
}

[[noreturn]] void Fail(int id, const char* function, int line, const std::string& detail) {
    throw CVEXPRGException(id, function, line, detail);
}

std::string InvokeDetail(const char* operation, const xmlNode* node) {
    std::string detail = "Invoke script function failed\nfunction name=";
    detail += operation;
    detail += ",Node=";
    detail += node != nullptr ? xml::Chars(node->name) : "";
    return detail;
}

// White space as the schema types collapse it.
std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlank = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlank);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

// A decimal integer with an optional sign, the lexical form of xs:long and xs:unsignedLong (and
// of the integers a rule script may return as text). False when it is not one, or when it is far
// outside 32 bits.
bool ParseInteger(std::string_view text, std::int64_t& value) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    std::int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > (std::int64_t{1} << 40)) return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

bool FitsInt32(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
}

// A hook's number (its result or a by-reference value) as a 32-bit integer: nothing gives 0; an
// integer, an integral float or an integer text inside 32 bits converts; anything else (a
// fraction, a boolean, a node, other text) does not.
bool ToInt32(const ScriptValue& value, std::int32_t& out) {
    if (std::holds_alternative<std::monostate>(value)) {
        out = 0;
        return true;
    }
    std::int64_t whole = 0;
    if (const auto* i = std::get_if<std::int64_t>(&value)) {
        whole = *i;
    } else if (const auto* d = std::get_if<double>(&value)) {
        if (!(*d >= -2147483648.0 && *d <= 2147483647.0) ||
            *d != static_cast<double>(static_cast<std::int64_t>(*d))) {
            return false;
        }
        whole = static_cast<std::int64_t>(*d);
    } else if (const auto* s = std::get_if<std::string>(&value)) {
        if (!ParseInteger(*s, whole)) return false;
    } else {
        return false;
    }
    if (!FitsInt32(whole)) return false;
    out = static_cast<std::int32_t>(whole);
    return true;
}

// A hook's result converted to a boolean: nothing, false, zero and a text holding zero ("0",
// "0.0") are false; true, any other number and a text holding one are true; the texts "true" and
// "false" (any case) are what they say. Other texts and nodes do not convert.
bool ToBool(const ScriptValue& value, bool& out) {
    if (std::holds_alternative<std::monostate>(value)) {
        out = false;
    } else if (const auto* b = std::get_if<bool>(&value)) {
        out = *b;
    } else if (const auto* i = std::get_if<std::int64_t>(&value)) {
        out = *i != 0;
    } else if (const auto* d = std::get_if<double>(&value)) {
        out = *d != 0;
    } else if (const auto* s = std::get_if<std::string>(&value)) {
        std::string text(Trim(*s));
        for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
        if (text == "true" || text == "false") {
            out = text == "true";
            return true;
        }
        double number = 0;
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, number);
        if (text.empty() || error != std::errc() || stop != end || std::isnan(number)) return false;
        out = number != 0;
    } else {
        return false;
    }
    return true;
}

std::string ValueText(const AttributeValue& value) {
    if (const auto* b = std::get_if<bool>(&value)) return *b ? "1" : "0";
    if (const auto* i = std::get_if<std::int32_t>(&value)) return std::to_string(*i);
    if (const auto* u = std::get_if<std::uint32_t>(&value)) return std::to_string(*u);
    return std::get<std::string>(value);
}

ScriptValue ToScriptValue(const AttributeValue& value) {
    if (const auto* b = std::get_if<bool>(&value)) return *b;
    if (const auto* i = std::get_if<std::int32_t>(&value)) return std::int64_t{*i};
    if (const auto* u = std::get_if<std::uint32_t>(&value)) return std::int64_t{*u};
    return std::get<std::string>(value);
}

// True when text can be an attribute value that serialises and parses back unchanged.
bool IsXmlText(const std::string& text) {
    const auto* bytes = xml::XmlChars(text.c_str());
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
    int left = static_cast<int>(text.size());
    while (left > 0) {
        int length = left;
        const int c = xmlGetUTF8Char(bytes, &length);
        if (c < 0 || length <= 0) return false;
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                             (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
        if (!allowed) return false;
        bytes += length;
        left -= length;
    }
    return true;
}

// An XPath string literal for `text`. Quoted with apostrophes as the queries are written; a text
// that holds an apostrophe is quoted with double quotes, and one that holds both is built with
// concat(), so no text can change a query's meaning.
std::string XPathLiteral(std::string_view text) {
    if (text.find('\'') == std::string_view::npos) return "'" + std::string(text) + "'";
    if (text.find('"') == std::string_view::npos) return "\"" + std::string(text) + "\"";
    std::string literal = "concat(";
    std::size_t start = 0;
    while (true) {
        const std::size_t quote = text.find('\'', start);
        literal += "'" + std::string(text.substr(start, quote - start)) + "'";
        if (quote == std::string_view::npos) break;
        literal += ",\"'\",";
        start = quote + 1;
    }
    return literal + ")";
}

bool IsElement(const xmlNode* node) {
    return node != nullptr && node->type == XML_ELEMENT_NODE;
}

}  // namespace

// ------------------------------------------------------------------------------------------------
// Shared state

ProfileModelState::ProfileModelState() = default;

ProfileModelState::~ProfileModelState() {
    Close();
}

void ProfileModelState::ReplaceDocument(xml::DocPtr newDocument, xml::XPathContextPtr newXPath,
                                        std::shared_ptr<const ProfileSchema> newSchema) noexcept {
    xpath = std::move(newXPath);
    // Removed nodes may use the old document's dictionary for their names: free them first.
    for (xmlNode* node : removed) xmlFreeNode(node);
    removed.clear();
    document = std::move(newDocument);
    schema = std::move(newSchema);
    ++generation;
}

void ProfileModelState::Close() noexcept {
    // The host may hold on to the document until it goes: it goes first.
    script.reset();
    xpath.reset();
    for (xmlNode* node : removed) xmlFreeNode(node);
    removed.clear();
    document.reset();
    schema.reset();
    ++generation;
}

void ProfileModelState::KeepRemoved(xmlNode* node) {
    removed.push_back(node);
}

// ------------------------------------------------------------------------------------------------
// Items

namespace {

// Evaluates `expression` at `node`; throws 106 when it does not give a node set.
xml::XPathObjectPtr Select(ProfileModelState& model, const std::string& expression, xmlNode* node,
                           const char* function, int line) {
    xml::XPathObjectPtr found(
        xmlXPathNodeEval(node, xml::XmlChars(expression.c_str()), model.xpath.get()));
    if (!found || found->type != XPATH_NODESET) {
        Fail(ids::kUnknownError, function, line,
             DomFailure("XPath evaluation failed", "The query " + expression + " gives no node set",
                        "libxml2"));
    }
    return found;
}

std::int32_t CountOf(const xml::XPathObjectPtr& found) {
    return found->nodesetval != nullptr ? found->nodesetval->nodeNr : 0;
}

xmlNode* FirstOf(const xml::XPathObjectPtr& found) {
    return CountOf(found) > 0 ? found->nodesetval->nodeTab[0] : nullptr;
}

// Calls `function` with `arguments`; false when the host could not call it, or `accept` refused
// its results. Either way the document is as it was before the call.
bool CallHook(ProfileModelState& model, const std::string& function,
              std::initializer_list<ScriptValue> arguments, int resultCount,
              std::vector<ScriptValue>& results,
              const std::function<bool(const std::vector<ScriptValue>&)>& accept = {}) {
    if (!model.script) return false;
    const std::vector<ScriptValue> list(arguments);
    results.clear();
    if (!model.script->Call(function, list, resultCount, results, accept)) return false;
    results.resize(static_cast<std::size_t>(resultCount));
    return true;
}

// Converts the three results of a SetVal or OnDelete hook (result, message id, message style).
bool ToCodes(const std::vector<ScriptValue>& results, std::int32_t (&codes)[3]) {
    for (std::size_t i = 0; i < 3; ++i) {
        if (!ToInt32(i < results.size() ? results[i] : ScriptValue(), codes[i])) return false;
    }
    return true;
}

// Calls a boolean hook; false when the call failed or its result does not convert.
bool CallBooleanHook(ProfileModelState& model, const std::string& function, xmlNode* node,
                     bool& out) {
    std::vector<ScriptValue> results;
    return CallHook(model, function, {node}, 1, results,
                    [&](const std::vector<ScriptValue>& r) { return ToBool(r.at(0), out); });
}

}  // namespace

CDataItem::CDataItem(std::shared_ptr<ProfileModelState> model, xmlNode* node)
    : m_spModel(std::move(model)),
      m_spNode(node),
      m_generation(m_spModel ? m_spModel->generation : 0) {}

void CDataItem::Check(const char* function, int line) const {
    if (m_spNode == nullptr || !m_spModel) {
        Fail(ids::kUnknownError, function, line,
             DomFailure("No node", "The data item wraps no profile node", "CDataItem"));
    }
    if (m_generation != m_spModel->generation || !m_spModel->document) {
        Fail(
            ids::kUnknownError, function, line,
            DomFailure("Stale data item",
                       "The data item belongs to a profile that is no longer loaded", "CDataItem"));
    }
}

void CDataItem::CheckInTree(const xmlNode* node, const char* function, int line) const {
    const xmlNode* up = node;
    while (up != nullptr && up->type == XML_ELEMENT_NODE) up = up->parent;
    if (up != reinterpret_cast<const xmlNode*>(m_spModel->document.get())) {
        Fail(ids::kUnknownError, function, line,
             DomFailure("Node not in the profile",
                        std::string("The element '") + xml::Chars(node->name) +
                            "' has been removed from the profile",
                        "CDataItem"));
    }
}

xmlNode* CDataItem::ElementChild(std::int32_t index) const {
    if (index < 0) return nullptr;
    for (xmlNode* child = m_spNode->children; child != nullptr; child = child->next) {
        if (!IsElement(child)) continue;
        if (index-- == 0) return child;
    }
    return nullptr;
}

std::string CDataItem::GetName() const {
    Check("CDataItem::GetName", __LINE__);
    return xml::Chars(m_spNode->name);
}

CDataItem CDataItem::GetChildByName(std::string_view name) const {
    constexpr const char* kFunction = "CDataItem::GetChildByName";
    Check(kFunction, __LINE__);
    const std::string text(name);
    xmlNode* child = nullptr;
    // Only an XML name makes the query the one intended.
    if (text.find('\0') == std::string::npos &&
        xmlValidateNCName(xml::XmlChars(text.c_str()), 0) == 0) {
        const std::string query = std::string(ProfilePrefix) + ":" + text;
        child = FirstOf(Select(*m_spModel, query, m_spNode, kFunction, __LINE__));
    }
    if (!IsElement(child))
        Fail(ids::kProgramingError107, kFunction, __LINE__, Format("Name='%s'", text));
    return CDataItem(m_spModel, child);
}

std::int32_t CDataItem::GetChildCount() const {
    Check("CDataItem::GetChildCount", __LINE__);
    std::int32_t count = 0;
    for (const xmlNode* child = m_spNode->children; child != nullptr; child = child->next) {
        if (IsElement(child)) ++count;
    }
    return count;
}

CDataItem CDataItem::GetChildByIndex(std::int32_t index) const {
    Check("CDataItem::GetChildByIndex", __LINE__);
    xmlNode* child = ElementChild(index);
    return child != nullptr ? CDataItem(m_spModel, child) : CDataItem();
}

AttributeValue CDataItem::GetAttributeValue(std::string_view name) const {
    constexpr const char* kFunction = "CDataItem::GetAttributeValue";
    Check(kFunction, __LINE__);
    const std::string attributeName(name);
    std::string text;
    if (!xml::GetAttribute(m_spNode, attributeName.c_str(), text)) {
        Fail(ids::kProgramingError108, kFunction, __LINE__, Format("Name='%s'", attributeName));
    }
    const std::string element = xml::Chars(m_spNode->name);
    SchemaRootType type = SchemaRootType::Other;
    if (!m_spModel->schema ||
        !m_spModel->schema->GetAttributeRootType(m_spNode, attributeName, type)) {
        Fail(ids::kUnknownError, kFunction, __LINE__,
             DomFailure("No schema declaration",
                        "The attribute '" + attributeName + "' of element '" + element +
                            "' is not declared in the schema",
                        "DataProfile.xsd"));
    }
    std::int64_t number = 0;
    const char* expected = nullptr;
    switch (type) {
        case SchemaRootType::Long:
            if (ParseInteger(text, number) && FitsInt32(number)) {
                return static_cast<std::int32_t>(number);
            }
            expected = "a 32-bit signed integer";
            break;
        case SchemaRootType::UnsignedLong:
            if (ParseInteger(text, number) && number >= 0 &&
                number <= std::numeric_limits<std::uint32_t>::max()) {
                return static_cast<std::uint32_t>(number);
            }
            expected = "a 32-bit unsigned integer";
            break;
        case SchemaRootType::Boolean: {
            const std::string_view flag = Trim(text);
            if (flag == "1" || flag == "true") return true;
            if (flag == "0" || flag == "false") return false;
            expected = "a boolean";
            break;
        }
        case SchemaRootType::Other:
            return text;
    }
    Fail(ids::kUnknownError, kFunction, __LINE__,
         DomFailure("Type mismatch",
                    "The value '" + text + "' of attribute '" + attributeName + "' of element '" +
                        element + "' is not " + (expected != nullptr ? expected : "valid"),
                    "CDataItem"));
}

std::int32_t CDataItem::SetAttributeValue(std::string_view name, const AttributeValue& value,
                                          std::int32_t& msgId, std::int32_t answer,
                                          std::int32_t& msgStyle) {
    constexpr const char* kFunction = "CDataItem::SetAttributeValue";
    msgId = 0;
    msgStyle = 0;
    Check(kFunction, __LINE__);
    const std::string attributeName(name);
    xmlAttr* attribute = xmlHasNsProp(m_spNode, xml::XmlChars(attributeName.c_str()), nullptr);
    if (attribute == nullptr || attributeName.find('\0') != std::string::npos) {
        Fail(ids::kProgramingError108, kFunction, __LINE__, Format("Name='%s'", attributeName));
    }

    // A removed element has no declaration, hence no hook: it must not pass for one without.
    CheckInTree(m_spNode, kFunction, __LINE__);
    std::string function;
    const std::string text = ValueText(value);
    if (GetScriptHandler(m_spNode, hook::kSetVal, function)) {
        const std::string detail = InvokeDetail("SetAttributeValue", m_spNode) +
                                   " Attribute=" + attributeName + " Value=" + text;
        std::vector<ScriptValue> results;
        std::int32_t codes[3] = {};
        if (!CallHook(*m_spModel, function,
                      {m_spNode, reinterpret_cast<xmlNode*>(attribute), ToScriptValue(value),
                       std::int64_t{answer}},
                      3, results,
                      [&](const std::vector<ScriptValue>& r) { return ToCodes(r, codes); })) {
            Fail(ids::kUnknownError, kFunction, __LINE__, detail);
        }
        msgId = codes[1];
        msgStyle = codes[2];
        return codes[0];
    }

    if (!IsXmlText(text)) {
        Fail(ids::kUnknownError, kFunction, __LINE__,
             DomFailure("Invalid value",
                        "The value for attribute '" + attributeName +
                            "' is not UTF-8 text made of XML characters",
                        "CDataItem"));
    }
    // xmlSetNsProp takes the value as literal text (no entity references are interpreted).
    if (xmlSetNsProp(m_spNode, nullptr, xml::XmlChars(attributeName.c_str()),
                     xml::XmlChars(text.c_str())) == nullptr) {
        throw std::bad_alloc();
    }
    return 0;
}

bool CDataItem::CanAddChild() const {
    constexpr const char* kFunction = "CDataItem::CanAddChild";
    Check(kFunction, __LINE__);
    std::string function;
    if (!GetScriptHandler(m_spNode, hook::kCanAddChild, function)) return false;
    CheckInTree(m_spNode, kFunction, __LINE__);
    bool result = false;
    if (!CallBooleanHook(*m_spModel, function, m_spNode, result)) {
        Fail(ids::kUnknownError, kFunction, __LINE__, InvokeDetail("CanAddChild", m_spNode));
    }
    return result;
}

CDataItem CDataItem::AddNewChild() {
    constexpr const char* kFunction = "CDataItem::AddNewChild";
    Check(kFunction, __LINE__);
    std::string function;
    if (!GetScriptHandler(m_spNode, hook::kOnAddNew, function)) return CDataItem();
    CheckInTree(m_spNode, kFunction, __LINE__);
    std::vector<ScriptValue> results;
    if (!CallHook(*m_spModel, function, {m_spNode}, 1, results)) {
        Fail(ids::kUnknownError, kFunction, __LINE__, InvokeDetail("OnAddNew", m_spNode));
    }
    // The host gives back only nodes that are still part of the document (a node the hook
    // created but left outside the tree is freed when the call ends, and comes back as nil).
    xmlNode* const* child = std::get_if<xmlNode*>(&results[0]);
    if (child == nullptr || !IsElement(*child)) return CDataItem();
    const xmlNode* up = *child;
    while (up != nullptr && up->type == XML_ELEMENT_NODE) up = up->parent;
    if (up != reinterpret_cast<const xmlNode*>(m_spModel->document.get())) return CDataItem();
    return CDataItem(m_spModel, *child);
}

std::int32_t CDataItem::RemoveChildByIndex(std::int32_t index, std::int32_t& msgId,
                                           std::int32_t confirmed, std::int32_t& msgStyle) {
    constexpr const char* kFunction = "CDataItem::RemoveChildByIndex";
    msgId = 0;
    msgStyle = 0;
    Check(kFunction, __LINE__);
    xmlNode* child = ElementChild(index);
    if (child == nullptr) {
        char detail[32];
        std::snprintf(detail, sizeof detail, "Index='%d'", static_cast<int>(index));
        Fail(ids::kProgramingError108, kFunction, __LINE__, detail);
    }
    std::string function;
    if (!GetScriptHandler(child, hook::kOnDelete, function)) {
        xmlUnlinkNode(child);
        m_spModel->KeepRemoved(child);
        return 0;
    }
    CheckInTree(child, kFunction, __LINE__);
    std::vector<ScriptValue> results;
    std::int32_t codes[3] = {};
    const std::string detail = InvokeDetail("OnDelete", child);
    if (!CallHook(*m_spModel, function, {child, std::int64_t{confirmed}}, 3, results,
                  [&](const std::vector<ScriptValue>& r) { return ToCodes(r, codes); })) {
        Fail(ids::kUnknownError, kFunction, __LINE__, detail);
    }
    msgId = codes[1];
    msgStyle = codes[2];
    return codes[0];
}

bool CDataItem::IsEnabled() const {
    constexpr const char* kFunction = "CDataItem::IsEnabled";
    Check(kFunction, __LINE__);
    std::string function;
    if (!GetScriptHandler(m_spNode, hook::kIsEnabled, function)) return true;
    CheckInTree(m_spNode, kFunction, __LINE__);
    bool result = false;
    if (!CallBooleanHook(*m_spModel, function, m_spNode, result)) {
        Fail(ids::kUnknownError, kFunction, __LINE__, InvokeDetail("IsEnabled", m_spNode));
    }
    return result;
}

bool CDataItem::GetScriptHandler(const xmlNode* node, std::string_view hookKind,
                                 std::string& functionName) const {
    Check("CDataItem::GetScriptHandler", __LINE__);
    return m_spModel->schema && m_spModel->schema->FindHook(node, hookKind, functionName);
}

std::int32_t CDataItem::GetScrollListCount(const CDataItem& item) {
    constexpr const char* kFunction = "CDataItem::GetScrollListCount";
    item.Check(kFunction, __LINE__);
    return CountOf(Select(*item.m_spModel, "//dfns:*[@cntct_type and @in_scroll_list = 1]",
                          item.m_spNode, kFunction, __LINE__));
}

std::int32_t CDataItem::GetScanListCount(const CDataItem& item, std::int32_t channel) {
    constexpr const char* kFunction = "CDataItem::GetScanListCount";
    item.Check(kFunction, __LINE__);
    char query[96];
    std::snprintf(query, sizeof query, "//dfns:PublicGroup[@channel = %d and @in_scan_list = 1]",
                  static_cast<int>(channel));
    return CountOf(Select(*item.m_spModel, query, item.m_spNode, kFunction, __LINE__));
}

std::string CDataItem::GetContactNameByID(const CDataItem& item, std::string_view pid) {
    constexpr const char* kFunction = "CDataItem::GetContactNameByID";
    if (pid.empty()) return {};
    item.Check(kFunction, __LINE__);
    if (pid.find('\0') != std::string_view::npos) return {};
    const std::string query = "//dfns:*[@cntct_type and @pid=" + XPathLiteral(pid) + "]";
    std::string name;
    xml::GetAttribute(FirstOf(Select(*item.m_spModel, query, item.m_spNode, kFunction, __LINE__)),
                      "name", name);
    return name;
}

CDataItem CDataItem::GetContactByID(const CDataItem& item, std::string_view pid) {
    constexpr const char* kFunction = "CDataItem::GetContactByID";
    if (pid.empty()) return CDataItem();
    item.Check(kFunction, __LINE__);
    if (pid.find('\0') != std::string_view::npos) return CDataItem();
    const std::string query = "//dfns:*[@cntct_type and @pid=" + XPathLiteral(pid) + "]";
    xmlNode* contact = FirstOf(Select(*item.m_spModel, query, item.m_spNode, kFunction, __LINE__));
    return IsElement(contact) ? CDataItem(item.m_spModel, contact) : CDataItem();
}

void CDataItem::GetGroupMemeber(const CDataItem& item, std::string_view pid,
                                std::vector<std::string>& pids, std::vector<std::string>& names) {
    constexpr const char* kFunction = "CDataItem::GetGroupMemeber";
    pids.clear();
    names.clear();
    item.Check(kFunction, __LINE__);
    if (pid.find('\0') != std::string_view::npos) return;
    const std::string query = "//dfns:ParentPrivateGroup[@pid=" + XPathLiteral(pid) + "]";
    const xml::XPathObjectPtr found =
        Select(*item.m_spModel, query, item.m_spNode, kFunction, __LINE__);
    for (std::int32_t i = 0; i < CountOf(found); ++i) {
        const xmlNode* entry = found->nodesetval->nodeTab[i];
        // ParentPrivateGroup → ParentPrivateGroups → the Private that belongs to the group.
        const xmlNode* contact = entry->parent != nullptr ? entry->parent->parent : nullptr;
        if (!IsElement(contact)) {
            Fail(ids::kUnknownError, kFunction, __LINE__,
                 DomFailure(
                     "Element not found",
                     "A ParentPrivateGroup naming " + std::string(pid) + " is not inside a contact",
                     "libxml2"));
        }
        std::string value;
        xml::GetAttribute(contact, "pid", value);
        pids.push_back(value);
        value.clear();
        xml::GetAttribute(contact, "name", value);
        names.push_back(value);
    }
}

void CDataItem::SortXMLChildNodes(std::string& text, std::string_view parentName,
                                  std::string_view keyName, bool ascending) {
    vex::SortXMLChildNodes(text, parentName, keyName, ascending);
}

}  // namespace vex

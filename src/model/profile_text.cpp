#include "model/profile_text.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

#include "common/exception.h"
#include "common/namespaces.h"
#include "common/strings.h"
#include "common/text.h"
#include "common/xml.h"

namespace vex {

namespace {

constexpr const char* kSortFunction = "CDataItem::SortXMLChildNodes";

struct ListOrder {
    const char* parent;
    const char* key;
    std::size_t capacity;  // the schema's maxOccurs of the list's elements
};

constexpr ListOrder kProfileLists[] = {
    {"TextMessages", "txt", 25},
    {"Privates", "name", 150},
    {"PublicGroups", "name", 150},
    {"PrivateGroups", "name", 150},
};
constexpr std::size_t kListCount = std::size(kProfileLists);

xml::DocPtr ParseForSort(const std::string& text) {
    if (text.size() > kMaxProfileTextSize) {
        throw CVEXPRGException(ids::kInvalidProfile, kSortFunction, __LINE__,
                               ProfileTooLargeReason(text.size()));
    }
    xml::ParseResult parsed = xml::ParseUntrusted(text, kMaxProfileNodes);
    if (!parsed.doc) {
        throw CVEXPRGException(ids::kInvalidProfile, kSortFunction, __LINE__, parsed.reason);
    }
    return std::move(parsed.doc);
}

bool IsProfileElement(const xmlNode* node, std::string_view name) {
    return node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
           std::string_view(xml::Chars(node->ns->href)) == ProfileNamespaceUri &&
           std::string_view(xml::Chars(node->name)) == name;
}

// The first element, in document order, in the profile namespace for each name (what
// "//dfns:<name>" selects first); null for a name without one. One walk over the tree, without
// recursion, ending as soon as every name is found.
template <std::size_t N>
std::array<xmlNode*, N> FindFirstElements(xmlDoc* doc,
                                          const std::array<std::string_view, N>& names) {
    std::array<xmlNode*, N> found{};
    std::size_t missing = N;
    xmlNode* node = xmlDocGetRootElement(doc);
    while (node != nullptr && missing > 0) {
        for (std::size_t i = 0; i < N; ++i) {
            if (found[i] == nullptr && IsProfileElement(node, names[i])) {
                found[i] = node;
                --missing;
            }
        }
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr) {
            node = node->parent;
            if (node != nullptr && node->type != XML_ELEMENT_NODE) node = nullptr;  // the document
        }
        if (node != nullptr) node = node->next;
    }
    return found;
}

[[noreturn]] void ElementNotFound(std::string_view parentName) {
    throw CVEXPRGException(ids::kUnknownError, kSortFunction, __LINE__,
                           "ErrorMsg: Element not found\nDesc: The profile has no element "
                           "matching //" +
                               std::string(ProfilePrefix) + ":" + std::string(parentName) +
                               "\nSource: libxml2");
}

std::string KeyOf(const xmlNode* child, const char* keyName) {
    std::string key;
    xml::GetAttribute(child, keyName, key);  // none: the empty text
    return key;
}

// Takes the children off the parent and puts them back in the order of their keys, ascending or
// descending; children with equal keys keep their order (a stable sort).
void SortChildren(xmlNode* parent, const char* keyName, bool ascending) {
    std::vector<std::pair<xmlNode*, std::string>> children;
    for (xmlNode* child = parent->children; child != nullptr; child = child->next) {
        children.emplace_back(child, KeyOf(child, keyName));
    }
    std::stable_sort(children.begin(), children.end(), [ascending](const auto& a, const auto& b) {
        const int order = CompareUtf8NoCase(a.second, b.second);
        return ascending ? order < 0 : order > 0;
    });
    for (auto& [child, key] : children) xmlUnlinkNode(child);
    for (auto& [child, key] : children) xmlAddChild(parent, child);
}

// Refuses a list with more elements than the profile can hold before any work is spent on it.
void CheckCapacity(const xmlNode* parent, const ListOrder& list) {
    std::size_t elements = 0;
    for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && ++elements > list.capacity) {
            throw CVEXPRGException(ids::kInvalidProfile, kSortFunction, __LINE__,
                                   "Line " + std::to_string(xmlGetLineNo(child)) + ": " +
                                       list.parent + " holds more than " +
                                       std::to_string(list.capacity) + " elements");
        }
    }
}

}  // namespace

std::string ProfileTooLargeReason(std::size_t size) {
    return "The text is larger than any profile: " + std::to_string(size) + " bytes, at most " +
           std::to_string(kMaxProfileTextSize);
}

void Scramble(std::string& text) {
    for (char& c : text) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ FileScrambleKey);
}

void UnscrambleUnlessBeginsWith(std::string& text, std::string_view plainStart) {
    const bool plain =
        text.size() >= plainStart.size() &&
        CompareRadioNoCase(std::string_view(text).substr(0, plainStart.size()), plainStart) == 0;
    if (!plain) Scramble(text);
}

void SortXMLChildNodes(std::string& text, std::string_view parentName, std::string_view keyName,
                       bool ascending) {
    xml::DocPtr doc = ParseForSort(text);
    xmlNode* parent = FindFirstElements<1>(doc.get(), {parentName})[0];
    if (parent == nullptr) ElementNotFound(parentName);
    SortChildren(parent, std::string(keyName).c_str(), ascending);
    text = xml::Serialise(doc.get());
}

void SortProfileLists(std::string& text) {
    // One parse and one walk for the four lists: the same result as four separate sorts.
    xml::DocPtr doc = ParseForSort(text);
    std::array<std::string_view, kListCount> names;
    for (std::size_t i = 0; i < kListCount; ++i) names[i] = kProfileLists[i].parent;
    const auto parents = FindFirstElements(doc.get(), names);
    for (std::size_t i = 0; i < kListCount; ++i) {
        if (parents[i] == nullptr) ElementNotFound(names[i]);
        CheckCapacity(parents[i], kProfileLists[i]);
    }
    for (std::size_t i = 0; i < kListCount; ++i) {
        SortChildren(parents[i], kProfileLists[i].key, true);
    }
    text = xml::Serialise(doc.get());
}

}  // namespace vex

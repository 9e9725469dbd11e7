#include "model/profile_text.h"

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
};

constexpr ListOrder kProfileLists[] = {
    {"TextMessages", "txt"},
    {"Privates", "name"},
    {"PublicGroups", "name"},
    {"PrivateGroups", "name"},
};

xml::DocPtr ParseForSort(const std::string& text) {
    xml::ParseResult parsed = xml::ParseUntrusted(text);
    if (!parsed.doc) {
        throw CVEXPRGException(ids::kInvalidProfile, kSortFunction, __LINE__, parsed.reason);
    }
    return std::move(parsed.doc);
}

std::string KeyOf(const xmlNode* child, const char* keyName) {
    std::string key;
    xml::GetAttribute(child, keyName, key);  // none: the empty text
    return key;
}

// Takes the children off the parent one by one, in their order, and puts each back before the
// first child already back whose key compares greater (ascending) or smaller (descending); with
// none, at the end. Equal keys therefore keep their order.
void SortChildren(xml::XPathContextPtr& context, std::string_view parentName, const char* keyName,
                  bool ascending) {
    const std::string expression =
        std::string("//") + ProfilePrefix + ":" + std::string(parentName);
    xmlNode* parent = xml::SelectFirst(context.get(), expression.c_str());
    if (parent == nullptr) {
        throw CVEXPRGException(ids::kUnknownError, kSortFunction, __LINE__,
                               "ErrorMsg: Element not found\nDesc: The profile has no element "
                               "matching " +
                                   expression + "\nSource: libxml2");
    }
    std::vector<std::pair<xmlNode*, std::string>> pending;
    for (xmlNode* child = parent->children; child != nullptr; child = child->next) {
        pending.emplace_back(child, KeyOf(child, keyName));
    }
    for (auto& [child, key] : pending) xmlUnlinkNode(child);

    std::vector<const std::string*> placedKeys;  // keys of the children back in the parent
    std::vector<xmlNode*> placed;
    for (auto& [child, key] : pending) {
        std::size_t at = 0;
        for (; at < placed.size(); ++at) {
            const int order = CompareUtf8NoCase(*placedKeys[at], key);
            if (ascending ? order > 0 : order < 0) break;
        }
        if (at == placed.size()) {
            xmlAddChild(parent, child);
        } else {
            xmlAddPrevSibling(placed[at], child);
        }
        placed.insert(placed.begin() + static_cast<std::ptrdiff_t>(at), child);
        placedKeys.insert(placedKeys.begin() + static_cast<std::ptrdiff_t>(at), &key);
    }
}

}  // namespace

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
    auto context = xml::MakeXPathContext(doc.get(), ProfilePrefix, ProfileNamespaceUri);
    SortChildren(context, parentName, std::string(keyName).c_str(), ascending);
    text = xml::Serialise(doc.get());
}

void SortProfileLists(std::string& text) {
    // One parse for the four lists: the same result as four separate sorts.
    xml::DocPtr doc = ParseForSort(text);
    auto context = xml::MakeXPathContext(doc.get(), ProfilePrefix, ProfileNamespaceUri);
    for (const ListOrder& list : kProfileLists) {
        SortChildren(context, list.parent, list.key, true);
    }
    text = xml::Serialise(doc.get());
}

}  // namespace vex

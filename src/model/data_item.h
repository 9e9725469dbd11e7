#pragma once

// CDataItem: the one way in which the rest of the program reads and changes a loaded profile.
//
// An item wraps one element of the profile document of a CRadioDataModel. It types attribute
// values from the model template's schema, and routes every change through the rule-script hook
// that the schema names for the element (cprg:SchemaExtension annotations: SetVal, CanAddChild,
// OnAddNew, OnDelete, IsEnabled). Pages, the navigation tree, the document and the report
// generator hold items and copy them freely; none of them changes the DOM itself.
//
// Every query runs as XPath 1.0 with the prefix "dfns" bound to ProfileNamespaceUri.
//
// Lifetime: items share the model's state. An item is current while the document it came from is
// the model's document; once the model loads another profile, or is destroyed, every older item is
// refused (exception 106) instead of touching a node that no longer exists. A child removed by
// RemoveChildByIndex without a hook stays allocated, outside the tree, until the document is
// replaced, so an item that still wraps it is safe to hold: it has no schema declaration any more
// (typed reads fail with 106) and is never handed to a hook. The same holds for nodes that a hook
// removes: the script host keeps them until the document is replaced.
//
// Every hook call is all or nothing: when it fails (106), the document is exactly as before it.
//
// Failures raise CVEXPRGException with the function name "CDataItem::<operation>":
//   107 GetChildByName finds no such child (detail "Name='%s'")
//   108 an attribute or a child index does not exist ("Name='%s'", "Index='%d'")
//   106 a hook call fails (a script error, which the script host has already reported; a missing
//       function; a result that does not convert), detail "Invoke script function failed\n
//       function name=<operation>,Node=<tag>..."; or a DOM failure (an empty or stale item, an
//       attribute without a declaration, a value that does not fit its type), detail
//       "ErrorMsg: %s\nDesc: %s\nSource: %s"
//   105 SortXMLChildNodes cannot parse its text
//
// One thread only: the thread that owns the model.

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/xml.h"

namespace vex {

class ProfileSchema;
class ScriptHost;
class CRadioDataModel;

// An attribute value typed by the schema: xs:long → int32, xs:unsignedLong → uint32 (32 bits,
// not 64), xs:boolean → bool, anything else → the text.
using AttributeValue = std::variant<std::int32_t, std::uint32_t, bool, std::string>;

// Hook kinds: the attribute names of cprg:SchemaExtension.
namespace hook {
inline constexpr std::string_view kSetVal = "SetVal";
inline constexpr std::string_view kCanAddChild = "CanAddChild";
inline constexpr std::string_view kOnAddNew = "OnAddNew";
inline constexpr std::string_view kOnDelete = "OnDelete";
inline constexpr std::string_view kIsEnabled = "IsEnabled";
}  // namespace hook

// What every item of one model shares. CRadioDataModel fills it and replaces the document; items
// read it and make only the changes their operations describe.
struct ProfileModelState {
    ProfileModelState();
    ~ProfileModelState();  // as Close()
    ProfileModelState(const ProfileModelState&) = delete;
    ProfileModelState& operator=(const ProfileModelState&) = delete;

    // Makes `newDocument` (with `newXPath`, a context on it with "dfns" bound) the served
    // document, frees the old one and every node removed from it, and makes older items stale.
    // The script host must already serve the new document.
    void ReplaceDocument(xml::DocPtr newDocument, xml::XPathContextPtr newXPath,
                         std::shared_ptr<const ProfileSchema> newSchema) noexcept;

    // Destroys the script host, then the document; every item becomes stale.
    void Close() noexcept;

    // Keeps a node taken out of the tree alive until the document goes.
    void KeepRemoved(xmlNode* node);

    std::unique_ptr<ScriptHost> script;
    std::shared_ptr<const ProfileSchema> schema;
    xml::DocPtr document;
    xml::XPathContextPtr xpath;  // on `document`, "dfns" bound
    std::uint64_t generation = 0;
    std::vector<xmlNode*> removed;
};

class CDataItem {
  public:
    // An empty item: no model, no node.
    CDataItem() = default;
    virtual ~CDataItem() = default;
    CDataItem(const CDataItem&) = default;
    CDataItem& operator=(const CDataItem&) = default;
    CDataItem(CDataItem&&) = default;
    CDataItem& operator=(CDataItem&&) = default;

    // True when the item wraps no node.
    bool IsEmpty() const noexcept { return m_spNode == nullptr; }

    // The wrapped node, for readers (never change the document through it). Valid only while the
    // item is current (see the lifetime note above).
    xmlNode* Node() const noexcept { return m_spNode; }

    // The element's local name.
    std::string GetName() const;

    // The first child element `name`. 107 when there is none (or `name` is not an XML name).
    CDataItem GetChildByName(std::string_view name) const;

    // Child elements only: comments and processing instructions are not items.
    std::int32_t GetChildCount() const;

    // Child element `index` (0-based); an empty item when there is none.
    CDataItem GetChildByIndex(std::int32_t index) const;

    // The attribute's value typed by its declared type. 108 when the element has no such
    // attribute; 106 when the schema declares none, or the text does not fit a 32-bit type.
    AttributeValue GetAttributeValue(std::string_view name) const;

    // Sets an attribute through the element's SetVal hook, called as
    //   SetVal(element, attribute, value, answer) → result, msgId, msgStyle
    // with `answer` 0 on a first try, else the user's answer to the question the hook asked. The
    // hook changes the document itself when it accepts. Without a hook the value is written at
    // once: a boolean as "1" or "0", a number in decimal, a text as it is (it must be UTF-8 made
    // of XML characters: 106 otherwise). Returns the result (0: taken), with msgId and msgStyle
    // set (0 when the hook gave none, and always 0 without a hook). 108 when the element has no
    // such attribute; 106 for an element no longer in the profile.
    std::int32_t SetAttributeValue(std::string_view name, const AttributeValue& value,
                                   std::int32_t& msgId, std::int32_t answer,
                                   std::int32_t& msgStyle);

    // CanAddChild(list) → its result as a boolean (nothing, false, 0 and "0" are false; a text or
    // node that is no boolean or number fails with 106); false without a hook.
    bool CanAddChild() const;

    // OnAddNew(list) → the new child, which the hook created and inserted. An empty item without
    // a hook, or when the hook gives anything but an element in the profile's tree.
    CDataItem AddNewChild();

    // Removes child element `index` through the child's OnDelete hook, called as
    //   OnDelete(child, confirmed) → result, msgId, msgStyle
    // (confirmed 0 on a first try, 1 after the user confirmed). Without a hook the child is taken
    // out of the tree at once and 0 returned. 108 "Index='%d'" when there is no such child.
    std::int32_t RemoveChildByIndex(std::int32_t index, std::int32_t& msgId, std::int32_t confirmed,
                                    std::int32_t& msgStyle);

    // IsEnabled(element) → its result as a boolean, as for CanAddChild; true without a hook.
    bool IsEnabled() const;

    // The function the schema names for hook `hookKind` of `node`, an element or an attribute (as
    // the xmlNode* of its xmlAttr*) of this item's current document. False when there is none.
    bool GetScriptHandler(const xmlNode* node, std::string_view hookKind,
                          std::string& functionName) const;

    // Class operations: each searches the whole document of the given item.

    // Contacts (any element with cntct_type) whose in_scroll_list is 1.
    static std::int32_t GetScrollListCount(const CDataItem& item);

    // PublicGroups of `channel` whose in_scan_list is 1.
    static std::int32_t GetScanListCount(const CDataItem& item, std::int32_t channel);

    // The name of the first contact whose pid is `pid`; empty when there is none, and at once,
    // without a query, when `pid` is empty.
    static std::string GetContactNameByID(const CDataItem& item, std::string_view pid);

    // The first contact whose pid is `pid`; an empty item when there is none or `pid` is empty.
    static CDataItem GetContactByID(const CDataItem& item, std::string_view pid);

    // The pids and names of the contacts that hold a ParentPrivateGroup naming `pid`, in document
    // order. Both lists are emptied first.
    static void GetGroupMemeber(const CDataItem& item, std::string_view pid,
                                std::vector<std::string>& pids, std::vector<std::string>& names);

    // Sorts the children of the first element `parentName` of a profile text by attribute
    // `keyName` (see vex::SortXMLChildNodes in model/profile_text.h).
    static void SortXMLChildNodes(std::string& text, std::string_view parentName,
                                  std::string_view keyName, bool ascending);

  private:
    friend class CRadioDataModel;
    CDataItem(std::shared_ptr<ProfileModelState> model, xmlNode* node);

    // Throws 106 unless the item wraps a node of its model's current document.
    void Check(const char* function, int line) const;
    // Throws 106 unless the node is in the current document's tree (hooks never see others).
    void CheckInTree(const xmlNode* node, const char* function, int line) const;
    xmlNode* ElementChild(std::int32_t index) const;

    std::shared_ptr<ProfileModelState> m_spModel;
    xmlNode* m_spNode = nullptr;
    std::uint64_t m_generation = 0;
};

}  // namespace vex

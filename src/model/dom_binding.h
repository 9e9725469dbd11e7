#pragma once

// The profile DOM as the rule script sees it: nodes as userdata with a small set of methods.
//
// A node value wraps one element or attribute of the document the host currently serves. It is
// valid only during the host call that handed it out (as an argument, or from a method during that
// call): every value remembers the call it belongs to, and using one kept from an earlier call (in
// a global, an upvalue or a table) raises "stale node" without touching the pointer it holds.
//
// Methods (`node:method(...)`; every failure raises a Lua error that names the method):
//
//   name()                   the element's or attribute's local name (no prefix)
//   get(attr)                the attribute's value as a string, or nil when the element has none
//   set(attr, value)         sets (or adds) the attribute; value is a string, an integer, a float
//                            (written as an integer when it has no fraction, else in the shortest
//                            form that reads back the same) or a boolean (written "1" / "0").
//                            The name must be an XML name without prefix; text must be valid
//                            UTF-8 made of XML characters; floats must be finite
//   has(attr)                true when the element has the attribute
//   remove_attr(attr)        removes the attribute; true when there was one
//   value()                  an attribute node's value (an element raises an error)
//   parent()                 the parent element (an attribute's owner element); nil for the
//                            document element and for a node outside the tree
//   children()               an array of the child elements, in document order
//   child(name)              the first child element whose name() is `name`, or nil
//   select(xpath)            an array of the element and attribute nodes the XPath 1.0 expression
//                            selects, in document order, evaluated relative to this node; the
//                            prefix "dfns" names the profile namespace ("dfns:Channel",
//                            "//dfns:*[@pid='12']", "@name"). Other node kinds (text, comments)
//                            are left out. An expression that gives no node set raises an error
//   select_one(xpath)        the first of those nodes, or nil
//   values(xpath)            an array of the string values of those nodes (an attribute's value,
//                            an element's text): a column of values in one call
//   count(xpath)             how many nodes the expression selects, or the number it gives
//                            ("count(dfns:Member)"); an integer when the number is whole
//   create(name)             a new element `name` in the profile namespace, not yet in the tree
//   append(child)            moves (or inserts) the element `child` to the end of this element's
//                            children; returns child
//   insert_before(child, ref) moves (or inserts) `child` before `ref`, a child element of this
//                            element; a nil ref appends; returns child
//   remove()                 takes the node (element or attribute) out of the tree. It stays
//                            usable until the call ends and may be inserted again
//   index()                  0-based position among the parent's child elements; nil without a
//                            parent
//   root()                   the document element
//   a == b                   true when both wrap the same node
//   tostring(node)           "<name>" for an element, "@name" for an attribute
//
// The tree stays a tree: the document element cannot be removed or moved, an element cannot be
// moved into itself or one of its descendants, and only elements can be appended or inserted.
//
// Nodes the script created but left outside the tree are freed when the call ends (EndCall). Nodes
// it removed stay allocated, outside the tree, until the next document (a data item may still
// wrap one). A hook that returns a node outside the tree fails. XPath evaluation never prints, and
// has its own operation limit, since the instruction budget cannot see inside it.
//
// Every change a call makes is logged, so that a failed call can be taken back whole: EndCall with
// `keep` false undoes the changes in reverse order, leaving the document as the call found it.

#include <libxml/tree.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/xml.h"

struct lua_State;

namespace vex {

class DomBinding {
  public:
    // Registers the node metatable in the state's registry. Runs inside a protected call (it may
    // raise a memory error). The binding must outlive every later call into the state.
    static void Register(lua_State* state, DomBinding* binding);

    DomBinding() = default;
    ~DomBinding();

    DomBinding(const DomBinding&) = delete;
    DomBinding& operator=(const DomBinding&) = delete;

    // The document nodes come from from now on (may be null). Every node value handed out
    // before becomes stale. The previous document may already be freed: it is not touched.
    void BeginDocument(xmlDoc* document);

    // Ends a host call: with `keep` false every change the call made is undone first. Node values
    // handed out during the call become stale; created nodes left outside the tree are freed,
    // removed ones kept until the next document. Never throws.
    void EndCall(bool keep) noexcept;

    // Pushes `node` as a node value (nil for null). Raises a Lua error for a node that is neither
    // element nor attribute, or that belongs to another document.
    void PushNode(lua_State* state, xmlNode* node);

    // The node held by the value at `index`; null when the value is not a node. Raises "stale
    // node" for a value from an earlier call.
    xmlNode* ToNode(lua_State* state, int index) const;

    // True when `node` is in the current document's tree (not removed, not merely created).
    bool IsInDocument(const xmlNode* node) const;

  private:
    friend struct DomMethods;

    // One change of the current call, as much as is needed to take it back.
    struct Change {
        xmlNode* node;        // the element whose attribute changed, or the node that moved
        std::string name;     // the attribute's name; empty for a move
        std::string oldText;  // the attribute's former value
        bool hadValue;        // false: the attribute was added
        xmlNode* oldParent;   // a move: where the node was (null: outside the tree)
        xmlNode* oldNext;
    };

    // Room for one more change, and for what undoing it or ending the call may need to remember,
    // made before a change so that logging it and taking it back cannot fail.
    void Reserve();
    void Undo() noexcept;
    void SetAside() noexcept;
    void FreeDetached() noexcept;

    xmlDoc* m_document = nullptr;
    xml::XPathContextPtr m_xpath;
    std::uint64_t m_generation = 1;
    // Nodes removed or created during the current call (may repeat), and those created.
    std::vector<xmlNode*> m_pending;
    std::vector<xmlNode*> m_created;
    // Nodes removed by earlier calls of this document: kept, outside the tree, until it goes.
    std::vector<xmlNode*> m_removed;
    std::vector<Change> m_changes;
};

}  // namespace vex

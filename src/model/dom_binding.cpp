#include "model/dom_binding.h"

#include <libxml/chvalid.h>
#include <libxml/xmlstring.h>
#include <libxml/xpath.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <string_view>

#include "common/namespaces.h"
#include "lua.hpp"

namespace vex {

namespace {

constexpr const char* kNodeMetatable = "vex.node";

// Operations one XPath evaluation may run: far beyond any query over a profile, small enough that
// a quadratic expression over a large document stops in well under a second.
constexpr unsigned long kXPathOpLimit = 20'000'000;

// What a node value holds. The pointer is read only while `generation` is the binding's current
// one, that is, during the call that made the value.
struct NodeRef {
    xmlNode* node;
    std::uint64_t generation;
};

bool IsElement(const xmlNode* node) {
    return node->type == XML_ELEMENT_NODE;
}

const char* XPathErrorText(int code) {
    switch (code - XML_XPATH_EXPRESSION_OK + XPATH_EXPRESSION_OK) {
        case XPATH_NUMBER_ERROR:
            return "bad number";
        case XPATH_UNFINISHED_LITERAL_ERROR:
            return "unfinished literal";
        case XPATH_START_LITERAL_ERROR:
            return "expected a literal";
        case XPATH_VARIABLE_REF_ERROR:
            return "bad variable reference";
        case XPATH_UNDEF_VARIABLE_ERROR:
            return "undefined variable";
        case XPATH_INVALID_PREDICATE_ERROR:
            return "invalid predicate";
        case XPATH_EXPR_ERROR:
            return "invalid expression";
        case XPATH_UNCLOSED_ERROR:
            return "missing closing bracket";
        case XPATH_UNKNOWN_FUNC_ERROR:
            return "unknown function";
        case XPATH_INVALID_OPERAND:
            return "invalid operand";
        case XPATH_INVALID_TYPE:
            return "invalid type";
        case XPATH_INVALID_ARITY:
            return "wrong number of arguments";
        case XPATH_MEMORY_ERROR:
            return "out of memory";
        case XPATH_UNDEF_PREFIX_ERROR:
            return "undefined namespace prefix";
        case XPATH_ENCODING_ERROR:
            return "encoding error";
        case XPATH_INVALID_CHAR_ERROR:
            return "invalid character";
        case XPATH_OP_LIMIT_EXCEEDED:
            return "the expression takes too much work";
        case XPATH_RECURSION_LIMIT_EXCEEDED:
            return "the expression nests too deeply";
        default:
            return "invalid expression";
    }
}

// True when `text` is UTF-8 made only of characters an XML document may hold (which leaves out
// NUL and most control characters).
bool IsXmlText(std::string_view text) {
    const auto* at = xml::XmlChars(text.data());
    std::size_t left = text.size();
    while (left > 0) {
        int length = static_cast<int>(std::min<std::size_t>(left, 4));
        int c = xmlGetUTF8Char(at, &length);
        if (c < 0 || length <= 0 || !xmlIsCharQ(c)) return false;
        at += length;
        left -= static_cast<std::size_t>(length);
    }
    return true;
}

// The text at `index`, refused when it holds a NUL (libxml2 would silently cut it there).
const char* CheckText(lua_State* L, int index) {
    std::size_t length = 0;
    const char* text = luaL_checklstring(L, index, &length);
    if (std::strlen(text) != length) luaL_argerror(L, index, "text with a NUL byte");
    return text;
}

// An element or attribute name: an XML name without prefix.
const char* CheckName(lua_State* L, int index) {
    const char* name = CheckText(L, index);
    if (xmlValidateNCName(xml::XmlChars(name), 0) != 0) {
        luaL_argerror(L, index, lua_pushfstring(L, "'%s' is not a valid XML name", name));
    }
    return name;
}

// Runs `body`, turning a C++ exception into a Lua error: none may unwind through Lua's frames.
// Lua's own errors are not std::exception and pass through untouched.
template <int (*Body)(lua_State*)>
int Guarded(lua_State* L) {
    char message[200];
    try {
        return Body(L);
    } catch (const std::bad_alloc&) {
        std::snprintf(message, sizeof message, "out of memory");
    } catch (const std::exception& e) {
        std::snprintf(message, sizeof message, "%s", e.what());
    }
    return luaL_error(L, "%s", message);
}

}  // namespace

// The methods of a node value. A struct so that, as a friend, it reaches the binding's state.
struct DomMethods {
    static DomBinding& Binding(lua_State* L) {
        return *static_cast<DomBinding*>(lua_touserdata(L, lua_upvalueindex(1)));
    }

    // The node at `index`, which must be a node value of the current call.
    static xmlNode* Check(lua_State* L, int index) {
        auto* ref = static_cast<NodeRef*>(luaL_testudata(L, index, kNodeMetatable));
        if (ref == nullptr) luaL_typeerror(L, index, "node");
        if (ref->generation != Binding(L).m_generation) {
            luaL_error(L, "stale node: a node is valid only during the call that handed it out");
        }
        return ref->node;
    }

    static xmlNode* CheckElement(lua_State* L, int index) {
        xmlNode* node = Check(L, index);
        if (!IsElement(node)) luaL_argerror(L, index, "element expected, got an attribute");
        return node;
    }

    static xmlNode* CheckAttributeNode(lua_State* L, int index) {
        xmlNode* node = Check(L, index);
        if (node->type != XML_ATTRIBUTE_NODE) {
            luaL_argerror(L, index, "attribute expected, got an element (use get(name))");
        }
        return node;
    }

    static void Push(lua_State* L, xmlNode* node) { Binding(L).PushNode(L, node); }

    static int PushNodeArray(lua_State* L, const xmlNodeSet* set) {
        int count = set != nullptr ? set->nodeNr : 0;
        lua_createtable(L, count, 0);
        lua_Integer next = 1;
        for (int i = 0; i < count; ++i) {
            xmlNode* node = set->nodeTab[i];
            if (node->type != XML_ELEMENT_NODE && node->type != XML_ATTRIBUTE_NODE) continue;
            Push(L, node);
            lua_rawseti(L, -2, next++);
        }
        return 1;
    }

    // Evaluates the expression at index 2 relative to the node at index 1.
    static xml::XPathObjectPtr Evaluate(lua_State* L) {
        xmlNode* node = Check(L, 1);
        const char* expression = CheckText(L, 2);
        xmlXPathContext* context = Binding(L).m_xpath.get();
        if (context == nullptr) luaL_error(L, "no document");
        xmlResetError(&context->lastError);
        context->opCount = 0;
        xml::XPathObjectPtr result(xmlXPathNodeEval(node, xml::XmlChars(expression), context));
        if (!result) {
            const char* reason = XPathErrorText(context->lastError.code);
            luaL_error(L, "bad XPath expression \"%s\": %s", expression, reason);
        }
        return result;
    }

    static const xmlNodeSet* NodeSet(lua_State* L, const xmlXPathObject* result) {
        if (result->type != XPATH_NODESET) {
            luaL_error(L, "the XPath expression \"%s\" gives a value, not nodes",
                       lua_tostring(L, 2));
        }
        return result->nodesetval;
    }

    // The element or attribute to move into the tree at `parent`, checked so that the tree stays a
    // tree.
    static xmlNode* CheckMovable(lua_State* L, xmlNode* parent, int index) {
        xmlNode* child = CheckElement(L, index);
        if (child == xmlDocGetRootElement(child->doc)) {
            luaL_argerror(L, index, "the document element cannot be moved");
        }
        for (const xmlNode* up = parent; up != nullptr; up = up->parent) {
            if (up == child) luaL_argerror(L, index, "an element cannot go into itself");
        }
        return child;
    }

    // After a move, a namespace the subtree used may have been declared on its old ancestors
    // (which may be freed at the end of the call): declare it again where needed.
    static void ReconcileNamespaces(xmlNode* child) { xmlReconciliateNs(child->doc, child); }

    static int Name(lua_State* L) {
        lua_pushstring(L, xml::Chars(Check(L, 1)->name));
        return 1;
    }

    static int Get(lua_State* L) {
        xmlNode* node = CheckElement(L, 1);
        const char* name = CheckText(L, 2);
        xml::XmlCharPtr value(xmlGetNoNsProp(node, xml::XmlChars(name)));
        if (value) {
            lua_pushstring(L, xml::Chars(value.get()));
        } else {
            lua_pushnil(L);
        }
        return 1;
    }

    static int Set(lua_State* L) {
        xmlNode* node = CheckElement(L, 1);
        const char* name = CheckName(L, 2);
        std::string text;
        switch (lua_type(L, 3)) {
            case LUA_TSTRING: {
                std::size_t length = 0;
                const char* value = lua_tolstring(L, 3, &length);
                text.assign(value, length);
                if (!IsXmlText(text)) luaL_argerror(L, 3, "not valid UTF-8 XML text");
                break;
            }
            case LUA_TNUMBER:
                if (lua_isinteger(L, 3)) {
                    text = std::to_string(lua_tointeger(L, 3));
                } else {
                    text = NumberText(L, lua_tonumber(L, 3));
                }
                break;
            case LUA_TBOOLEAN:
                text = lua_toboolean(L, 3) ? "1" : "0";
                break;
            default:
                luaL_typeerror(L, 3, "string, number or boolean");
        }
        DomBinding& binding = Binding(L);
        binding.Reserve();
        DomBinding::Change change{node, name, {}, false, nullptr, nullptr};
        xml::XmlCharPtr old(xmlGetNoNsProp(node, xml::XmlChars(name)));
        if (old) {
            change.hadValue = true;
            change.oldText = xml::Chars(old.get());
        }
        binding.m_changes.push_back(std::move(change));
        if (xmlSetNsProp(node, nullptr, xml::XmlChars(name), xml::XmlChars(text.c_str())) ==
            nullptr) {
            throw std::bad_alloc();
        }
        return 0;
    }

    // Logs that `node` is about to leave its place (or, outside the tree, to enter it).
    static void LogMove(DomBinding& binding, xmlNode* node) {
        binding.Reserve();
        binding.m_changes.push_back({node, {}, {}, false, node->parent, node->next});
    }

    static std::string NumberText(lua_State* L, double value) {
        if (!std::isfinite(value)) luaL_argerror(L, 3, "finite number expected");
        // 2^63 is exact as a double; whole numbers inside (-2^63, 2^63) convert exactly.
        constexpr double kInt64Bound = 9223372036854775808.0;
        if (std::trunc(value) == value && value > -kInt64Bound && value < kInt64Bound) {
            return std::to_string(static_cast<long long>(value));
        }
        char buffer[64];
        auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
        if (error != std::errc()) luaL_argerror(L, 3, "number cannot be written");
        return std::string(buffer, end);
    }

    static int Has(lua_State* L) {
        xmlNode* node = CheckElement(L, 1);
        lua_pushboolean(L, xmlHasNsProp(node, xml::XmlChars(CheckText(L, 2)), nullptr) != nullptr);
        return 1;
    }

    static int RemoveAttr(lua_State* L) {
        xmlNode* node = CheckElement(L, 1);
        xmlAttr* attribute = xmlHasNsProp(node, xml::XmlChars(CheckText(L, 2)), nullptr);
        if (attribute == nullptr || attribute->type != XML_ATTRIBUTE_NODE) {
            lua_pushboolean(L, 0);
            return 1;
        }
        // Unlinked rather than freed: the script may still hold a value that wraps it.
        DomBinding& binding = Binding(L);
        LogMove(binding, reinterpret_cast<xmlNode*>(attribute));
        xmlUnlinkNode(reinterpret_cast<xmlNode*>(attribute));
        binding.m_pending.push_back(reinterpret_cast<xmlNode*>(attribute));
        lua_pushboolean(L, 1);
        return 1;
    }

    static int Value(lua_State* L) {
        xmlNode* node = CheckAttributeNode(L, 1);
        xml::XmlCharPtr value(xmlNodeListGetString(node->doc, node->children, 1));
        lua_pushstring(L, value ? xml::Chars(value.get()) : "");
        return 1;
    }

    static int Parent(lua_State* L) {
        xmlNode* parent = Check(L, 1)->parent;
        if (parent != nullptr && IsElement(parent)) {
            Push(L, parent);
        } else {
            lua_pushnil(L);
        }
        return 1;
    }

    static int Children(lua_State* L) {
        xmlNode* node = CheckElement(L, 1);
        lua_newtable(L);
        lua_Integer next = 1;
        for (xmlNode* child = node->children; child != nullptr; child = child->next) {
            if (!IsElement(child)) continue;
            Push(L, child);
            lua_rawseti(L, -2, next++);
        }
        return 1;
    }

    static int Child(lua_State* L) {
        xmlNode* node = CheckElement(L, 1);
        const char* name = CheckText(L, 2);
        for (xmlNode* child = node->children; child != nullptr; child = child->next) {
            if (IsElement(child) && xmlStrEqual(child->name, xml::XmlChars(name))) {
                Push(L, child);
                return 1;
            }
        }
        lua_pushnil(L);
        return 1;
    }

    static int Select(lua_State* L) {
        xml::XPathObjectPtr result = Evaluate(L);
        return PushNodeArray(L, NodeSet(L, result.get()));
    }

    // The string values of the selected nodes (an attribute's value, an element's text), in
    // document order: a whole column of values in one call, without a node value for each.
    static int Values(lua_State* L) {
        xml::XPathObjectPtr result = Evaluate(L);
        const xmlNodeSet* set = NodeSet(L, result.get());
        lua_newtable(L);
        lua_Integer next = 1;
        for (int i = 0; set != nullptr && i < set->nodeNr; ++i) {
            xmlNode* node = set->nodeTab[i];
            if (node->type != XML_ELEMENT_NODE && node->type != XML_ATTRIBUTE_NODE) continue;
            xml::XmlCharPtr value(node->type == XML_ATTRIBUTE_NODE
                                      ? xmlNodeListGetString(node->doc, node->children, 1)
                                      : xmlNodeGetContent(node));
            lua_pushstring(L, value ? xml::Chars(value.get()) : "");
            lua_rawseti(L, -2, next++);
        }
        return 1;
    }

    static int SelectOne(lua_State* L) {
        xml::XPathObjectPtr result = Evaluate(L);
        const xmlNodeSet* set = NodeSet(L, result.get());
        for (int i = 0; set != nullptr && i < set->nodeNr; ++i) {
            xmlNode* node = set->nodeTab[i];
            if (node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE) {
                Push(L, node);
                return 1;
            }
        }
        lua_pushnil(L);
        return 1;
    }

    static int Count(lua_State* L) {
        xml::XPathObjectPtr result = Evaluate(L);
        if (result->type == XPATH_NODESET) {
            lua_pushinteger(L, result->nodesetval != nullptr ? result->nodesetval->nodeNr : 0);
        } else if (result->type == XPATH_NUMBER) {
            double number = result->floatval;
            lua_Integer whole = 0;
            if (lua_numbertointeger(number, &whole) && static_cast<double>(whole) == number) {
                lua_pushinteger(L, whole);
            } else {
                lua_pushnumber(L, number);
            }
        } else {
            luaL_error(L, "the XPath expression \"%s\" gives neither nodes nor a number",
                       lua_tostring(L, 2));
        }
        return 1;
    }

    static int Create(lua_State* L) {
        Check(L, 1);
        const char* name = CheckName(L, 2);
        DomBinding& binding = Binding(L);
        xmlDoc* document = binding.m_document;
        xmlNs* ns = xmlSearchNsByHref(document, xmlDocGetRootElement(document),
                                      xml::XmlChars(ProfileNamespaceUri));
        binding.Reserve();
        xmlNode* element = xmlNewDocNode(document, ns, xml::XmlChars(name), nullptr);
        if (element == nullptr) throw std::bad_alloc();
        binding.m_pending.push_back(element);
        binding.m_created.push_back(element);
        if (ns == nullptr) {
            // A document whose root does not declare the namespace: the element declares it.
            ns = xmlNewNs(element, xml::XmlChars(ProfileNamespaceUri), nullptr);
            if (ns == nullptr) throw std::bad_alloc();
            xmlSetNs(element, ns);
        }
        Push(L, element);
        return 1;
    }

    static int Append(lua_State* L) {
        xmlNode* parent = CheckElement(L, 1);
        xmlNode* child = CheckMovable(L, parent, 2);
        LogMove(Binding(L), child);
        xmlUnlinkNode(child);
        xmlAddChild(parent, child);
        ReconcileNamespaces(child);
        lua_settop(L, 2);
        return 1;
    }

    static int InsertBefore(lua_State* L) {
        xmlNode* parent = CheckElement(L, 1);
        if (lua_isnoneornil(L, 3)) {
            lua_settop(L, 2);
            return Append(L);
        }
        xmlNode* child = CheckMovable(L, parent, 2);
        xmlNode* reference = CheckElement(L, 3);
        if (reference->parent != parent) luaL_argerror(L, 3, "not a child of this element");
        if (child != reference) {
            LogMove(Binding(L), child);
            xmlUnlinkNode(child);
            xmlAddPrevSibling(reference, child);
            ReconcileNamespaces(child);
        }
        lua_settop(L, 2);
        return 1;
    }

    static int Remove(lua_State* L) {
        xmlNode* node = Check(L, 1);
        if (node == xmlDocGetRootElement(node->doc)) {
            luaL_error(L, "the document element cannot be removed");
        }
        if (node->parent == nullptr) return 0;
        DomBinding& binding = Binding(L);
        LogMove(binding, node);
        xmlUnlinkNode(node);
        binding.m_pending.push_back(node);
        return 0;
    }

    static int Index(lua_State* L) {
        xmlNode* node = CheckElement(L, 1);
        if (node->parent == nullptr) {
            lua_pushnil(L);
            return 1;
        }
        lua_Integer index = 0;
        for (xmlNode* sibling = node->prev; sibling != nullptr; sibling = sibling->prev) {
            if (IsElement(sibling)) ++index;
        }
        lua_pushinteger(L, index);
        return 1;
    }

    static int Root(lua_State* L) {
        Check(L, 1);
        xmlNode* root = xmlDocGetRootElement(Binding(L).m_document);
        if (root != nullptr) {
            Push(L, root);
        } else {
            lua_pushnil(L);
        }
        return 1;
    }

    static int Equal(lua_State* L) {
        lua_pushboolean(L, Check(L, 1) == Check(L, 2));
        return 1;
    }

    static int ToString(lua_State* L) {
        xmlNode* node = Check(L, 1);
        lua_pushfstring(L, IsElement(node) ? "<%s>" : "@%s", xml::Chars(node->name));
        return 1;
    }
};

void DomBinding::Register(lua_State* L, DomBinding* binding) {
    static const luaL_Reg kMethods[] = {
        {"name", Guarded<DomMethods::Name>},
        {"get", Guarded<DomMethods::Get>},
        {"set", Guarded<DomMethods::Set>},
        {"has", Guarded<DomMethods::Has>},
        {"remove_attr", Guarded<DomMethods::RemoveAttr>},
        {"value", Guarded<DomMethods::Value>},
        {"parent", Guarded<DomMethods::Parent>},
        {"children", Guarded<DomMethods::Children>},
        {"child", Guarded<DomMethods::Child>},
        {"select", Guarded<DomMethods::Select>},
        {"select_one", Guarded<DomMethods::SelectOne>},
        {"values", Guarded<DomMethods::Values>},
        {"count", Guarded<DomMethods::Count>},
        {"create", Guarded<DomMethods::Create>},
        {"append", Guarded<DomMethods::Append>},
        {"insert_before", Guarded<DomMethods::InsertBefore>},
        {"remove", Guarded<DomMethods::Remove>},
        {"index", Guarded<DomMethods::Index>},
        {"root", Guarded<DomMethods::Root>},
        {nullptr, nullptr},
    };
    static const luaL_Reg kMetamethods[] = {
        {"__eq", Guarded<DomMethods::Equal>},
        {"__tostring", Guarded<DomMethods::ToString>},
        {nullptr, nullptr},
    };
    luaL_newmetatable(L, kNodeMetatable);
    lua_pushlightuserdata(L, binding);
    luaL_setfuncs(L, kMetamethods, 1);
    lua_newtable(L);
    lua_pushlightuserdata(L, binding);
    luaL_setfuncs(L, kMethods, 1);
    lua_setfield(L, -2, "__index");
    // Type errors say "node expected, got ..." rather than the registry key.
    lua_pushliteral(L, "node");
    lua_setfield(L, -2, "__name");
    // getmetatable(node) gives false, so a script cannot reach or change the methods.
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_pop(L, 1);
}

namespace {

// Makes room for `extra` more elements without a reallocation per element.
template <class T>
void Room(std::vector<T>& v, std::size_t extra) {
    if (v.capacity() - v.size() < extra) v.reserve(std::max(2 * v.capacity(), v.size() + extra));
}

// Puts `node`, outside the tree, back into `parent` before `next` (at the end when null): the
// place it was unlinked from, in the tree as it was then.
void Relink(xmlNode* node, xmlNode* parent, xmlNode* next) noexcept {
    node->parent = parent;
    if (node->type == XML_ATTRIBUTE_NODE) {
        auto* attribute = reinterpret_cast<xmlAttr*>(node);
        auto* following = reinterpret_cast<xmlAttr*>(next);
        xmlAttr* previous = following != nullptr ? following->prev : nullptr;
        if (following == nullptr) {
            for (xmlAttr* a = parent->properties; a != nullptr; a = a->next) previous = a;
        }
        attribute->prev = previous;
        attribute->next = following;
        if (previous != nullptr) {
            previous->next = attribute;
        } else {
            parent->properties = attribute;
        }
        if (following != nullptr) following->prev = attribute;
        return;
    }
    xmlNode* previous = next != nullptr ? next->prev : parent->last;
    node->prev = previous;
    node->next = next;
    if (previous != nullptr) {
        previous->next = node;
    } else {
        parent->children = node;
    }
    if (next != nullptr) {
        next->prev = node;
    } else {
        parent->last = node;
    }
}

// True when every element of the subtree at `head` is in `created` (sorted).
bool OnlyCreated(const xmlNode* head, const std::vector<xmlNode*>& created) {
    if (!std::binary_search(created.begin(), created.end(), head, std::less<const xmlNode*>())) {
        return false;
    }
    for (const xmlNode* child = head->children; child != nullptr; child = child->next) {
        if (IsElement(child) && !OnlyCreated(child, created)) return false;
    }
    return true;
}

}  // namespace

DomBinding::~DomBinding() {
    FreeDetached();
}

// A change pushes at most one pending node, and undoing the changes at most one more each; every
// pending node may end up kept.
void DomBinding::Reserve() {
    const std::size_t undoable = m_changes.size() + 1;
    Room(m_changes, 1);
    Room(m_pending, undoable + 1);
    Room(m_created, undoable + 1);
    Room(m_removed, m_pending.size() + undoable + 1);
}

void DomBinding::BeginDocument(xmlDoc* document) {
    FreeDetached();
    m_xpath.reset();
    m_document = document;
    if (document != nullptr) {
        m_xpath = xml::MakeXPathContext(document, ProfilePrefix, ProfileNamespaceUri);
        m_xpath->opLimit = kXPathOpLimit;
    }
    ++m_generation;
}

void DomBinding::EndCall(bool keep) noexcept {
    if (!keep) Undo();
    m_changes.clear();
    ++m_generation;
    SetAside();
}

// Takes back the current call's changes, the last first, so that each one finds the tree as it
// left it. Room for what this remembers was made before each change.
void DomBinding::Undo() noexcept {
    for (auto change = m_changes.rbegin(); change != m_changes.rend(); ++change) {
        xmlNode* node = change->node;
        if (!change->name.empty()) {
            const auto* name = xml::XmlChars(change->name.c_str());
            if (change->hadValue) {
                xmlSetNsProp(node, nullptr, name, xml::XmlChars(change->oldText.c_str()));
            } else if (xmlAttr* added = xmlHasNsProp(node, name, nullptr);
                       added != nullptr && added->type == XML_ATTRIBUTE_NODE) {
                xmlUnlinkNode(reinterpret_cast<xmlNode*>(added));
                m_pending.push_back(reinterpret_cast<xmlNode*>(added));
                m_created.push_back(reinterpret_cast<xmlNode*>(added));
            }
            continue;
        }
        xmlUnlinkNode(node);
        if (change->oldParent != nullptr) {
            Relink(node, change->oldParent, change->oldNext);
        } else {
            m_pending.push_back(node);
        }
    }
}

// A pending node still without a parent heads a detached subtree; pending nodes with a parent are
// in the tree again or inside such a subtree. A subtree made only of nodes the call created is
// freed; any other is kept until the document goes, since a data item may wrap one of its nodes.
void DomBinding::SetAside() noexcept {
    std::sort(m_pending.begin(), m_pending.end(), std::less<xmlNode*>());
    std::sort(m_created.begin(), m_created.end(), std::less<xmlNode*>());
    auto end = std::unique(m_pending.begin(), m_pending.end());
    end = std::remove_if(m_pending.begin(), end, [](xmlNode* n) { return n->parent != nullptr; });
    // Every head is judged before any is freed: freeing one subtree frees the nodes inside it.
    auto kept = std::partition(m_pending.begin(), end,
                               [this](xmlNode* n) { return !OnlyCreated(n, m_created); });
    m_removed.insert(m_removed.end(), m_pending.begin(), kept);
    std::for_each(kept, end, [](xmlNode* n) { xmlFreeNode(n); });
    m_pending.clear();
    m_created.clear();
}

void DomBinding::FreeDetached() noexcept {
    m_changes.clear();
    SetAside();
    for (xmlNode* node : m_removed) xmlFreeNode(node);
    m_removed.clear();
}

void DomBinding::PushNode(lua_State* L, xmlNode* node) {
    if (node == nullptr) {
        lua_pushnil(L);
        return;
    }
    if (node->type != XML_ELEMENT_NODE && node->type != XML_ATTRIBUTE_NODE) {
        luaL_error(L, "only elements and attributes can be handed to the rule script");
    }
    if (m_document == nullptr || node->doc != m_document) {
        luaL_error(L, "a node of another document was handed to the rule script");
    }
    auto* ref = static_cast<NodeRef*>(lua_newuserdatauv(L, sizeof(NodeRef), 0));
    ref->node = node;
    ref->generation = m_generation;
    luaL_setmetatable(L, kNodeMetatable);
}

xmlNode* DomBinding::ToNode(lua_State* L, int index) const {
    auto* ref = static_cast<NodeRef*>(luaL_testudata(L, index, kNodeMetatable));
    if (ref == nullptr) return nullptr;
    if (ref->generation != m_generation) {
        luaL_error(L, "stale node: a node is valid only during the call that handed it out");
    }
    return ref->node;
}

bool DomBinding::IsInDocument(const xmlNode* node) const {
    if (m_document == nullptr) return false;
    for (const xmlNode* up = node; up != nullptr; up = up->parent) {
        if (up == reinterpret_cast<const xmlNode*>(m_document)) return true;
    }
    return false;
}

}  // namespace vex

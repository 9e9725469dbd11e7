#include "model/profile_schema.h"

#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <cstring>
#include <new>
#include <vector>

#include "common/namespaces.h"

namespace vex {

namespace {

constexpr const char* kXsdNamespace = "http://www.w3.org/2001/XMLSchema";

// Deeper chains than this are treated as not found: a schema that compiles has no cycles, but the
// lookups read the schema document, not libxml2's checked model.
constexpr int kMaxSchemaDepth = 64;

// Reasons kept per failure: enough to find the fault, never a flood for a badly broken file.
constexpr int kMaxReportedErrors = 5;

struct ErrorCollector {
    std::string text;
    int count = 0;

    static void Collect(void* userData, xmlErrorPtr error) {
        auto* self = static_cast<ErrorCollector*>(userData);
        if (error == nullptr) return;
        if (self->count++ >= kMaxReportedErrors) return;
        std::string message = error->message != nullptr ? error->message : "unknown error";
        while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
            message.pop_back();
        }
        if (!self->text.empty()) self->text += '\n';
        if (error->line > 0) self->text += "Line " + std::to_string(error->line) + ": ";
        self->text += message;
    }

    std::string Text(const char* fallback) const {
        std::string result = text.empty() ? fallback : text;
        if (count > kMaxReportedErrors) {
            result += "\n(" + std::to_string(count - kMaxReportedErrors) + " more)";
        }
        return result;
    }
};

struct SchemaParserCtxtFree {
    void operator()(xmlSchemaParserCtxt* c) const noexcept { xmlSchemaFreeParserCtxt(c); }
};
struct SchemaValidCtxtFree {
    void operator()(xmlSchemaValidCtxt* c) const noexcept { xmlSchemaFreeValidCtxt(c); }
};

bool Is(const xmlNode* node, const char* nsUri, const char* localName) {
    return node != nullptr && node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
           std::strcmp(xml::Chars(node->ns->href), nsUri) == 0 &&
           std::strcmp(xml::Chars(node->name), localName) == 0;
}

bool IsXs(const xmlNode* node, const char* localName) {
    return Is(node, kXsdNamespace, localName);
}

std::string AttributeOf(const xmlNode* node, const char* name) {
    std::string value;
    xml::GetAttribute(node, name, value);
    return value;
}

bool HasAttribute(const xmlNode* node, const char* name) {
    std::string ignored;
    return xml::GetAttribute(node, name, ignored);
}

struct QName {
    std::string nsUri;
    std::string local;
};

// Resolves a QName written in the schema with the namespace declarations in scope at `context`.
bool ResolveQName(const xmlNode* context, const std::string& text, QName& name) {
    const std::size_t colon = text.find(':');
    const std::string prefix = colon == std::string::npos ? std::string() : text.substr(0, colon);
    name.local = colon == std::string::npos ? text : text.substr(colon + 1);
    xmlNs* ns = xmlSearchNs(context->doc, const_cast<xmlNode*>(context),
                            prefix.empty() ? nullptr : xml::XmlChars(prefix.c_str()));
    if (ns == nullptr) {
        if (!prefix.empty()) return false;
        name.nsUri.clear();  // no default namespace: the name is in no namespace
    } else {
        name.nsUri = xml::Chars(ns->href);
    }
    return !name.local.empty();
}

SchemaRootType BuiltInRoot(const std::string& local) {
    if (local == "long") return SchemaRootType::Long;
    if (local == "boolean") return SchemaRootType::Boolean;
    if (local == "unsignedLong") return SchemaRootType::UnsignedLong;
    return SchemaRootType::Other;
}

// Where a child element is declared: the particle (a reference or a local declaration) and the
// declaration it stands for.
struct ParticleDecl {
    const xmlNode* site = nullptr;
    const xmlNode* target = nullptr;
};

// Walks the schema document. Holds no state of its own beyond the schema element.
class SchemaWalker {
  public:
    SchemaWalker(const xmlNode* schemaElement, const std::string& targetNamespace)
        : m_schema(schemaElement), m_target(targetNamespace) {}

    // The global declaration of `kind` (element, complexType, simpleType, group, attributeGroup)
    // that the QName attribute `attribute` of `node` names; null when it names none of ours.
    const xmlNode* Referenced(const xmlNode* node, const char* attribute, const char* kind) const {
        QName name;
        if (!ResolveQName(node, AttributeOf(node, attribute), name) || name.nsUri != m_target) {
            return nullptr;
        }
        return Global(kind, name.local);
    }

    const xmlNode* Global(const char* kind, const std::string& localName) const {
        for (const xmlNode* c = m_schema->children; c != nullptr; c = c->next) {
            if (IsXs(c, kind) && AttributeOf(c, "name") == localName) return c;
        }
        return nullptr;
    }

    // The complex type of an element declaration: named or anonymous; null for a simple or an
    // undeclared type.
    const xmlNode* ComplexTypeOf(const xmlNode* declaration) const {
        if (HasAttribute(declaration, "type")) {
            return Referenced(declaration, "type", "complexType");
        }
        for (const xmlNode* c = declaration->children; c != nullptr; c = c->next) {
            if (IsXs(c, "complexType")) return c;
        }
        return nullptr;
    }

    // The declaration of child element `name` among the particles under `holder` (a complex
    // type, a model group, a derivation).
    bool FindChildElement(const xmlNode* holder, const std::string& name, ParticleDecl& found,
                          int depth) const {
        if (holder == nullptr || depth > kMaxSchemaDepth) return false;
        for (const xmlNode* c = holder->children; c != nullptr; c = c->next) {
            if (IsXs(c, "element")) {
                if (HasAttribute(c, "ref")) {
                    QName ref;
                    if (ResolveQName(c, AttributeOf(c, "ref"), ref) && ref.nsUri == m_target &&
                        ref.local == name) {
                        const xmlNode* global = Global("element", ref.local);
                        if (global != nullptr) {
                            found = {c, global};
                            return true;
                        }
                    }
                } else if (AttributeOf(c, "name") == name) {
                    found = {c, c};
                    return true;
                }
            } else if (IsXs(c, "sequence") || IsXs(c, "choice") || IsXs(c, "all") ||
                       IsXs(c, "complexContent")) {
                if (FindChildElement(c, name, found, depth + 1)) return true;
            } else if (IsXs(c, "group") && HasAttribute(c, "ref")) {
                if (FindChildElement(Referenced(c, "ref", "group"), name, found, depth + 1)) {
                    return true;
                }
            } else if (IsXs(c, "extension") || IsXs(c, "restriction")) {
                // An extension adds to its base's particles; a restriction restates them.
                if (IsXs(c, "extension") && FindChildElement(Referenced(c, "base", "complexType"),
                                                             name, found, depth + 1)) {
                    return true;
                }
                if (FindChildElement(c, name, found, depth + 1)) return true;
            }
        }
        return false;
    }

    // The local declaration of unqualified attribute `name` under `holder` (a complex type, an
    // attribute group, a derivation); a base type's attributes count.
    const xmlNode* FindAttribute(const xmlNode* holder, const std::string& name, int depth) const {
        if (holder == nullptr || depth > kMaxSchemaDepth) return nullptr;
        for (const xmlNode* c = holder->children; c != nullptr; c = c->next) {
            const xmlNode* found = nullptr;
            if (IsXs(c, "attribute")) {
                if (!HasAttribute(c, "ref") && AttributeOf(c, "name") == name) return c;
            } else if (IsXs(c, "attributeGroup") && HasAttribute(c, "ref")) {
                found = FindAttribute(Referenced(c, "ref", "attributeGroup"), name, depth + 1);
            } else if (IsXs(c, "complexContent") || IsXs(c, "simpleContent")) {
                found = FindAttribute(c, name, depth + 1);
            } else if (IsXs(c, "extension") || IsXs(c, "restriction")) {
                found = FindAttribute(c, name, depth + 1);
                if (found == nullptr) {
                    found = FindAttribute(Referenced(c, "base", "complexType"), name, depth + 1);
                }
            }
            if (found != nullptr) return found;
        }
        return nullptr;
    }

    SchemaRootType RootOfAttribute(const xmlNode* declaration) const {
        if (HasAttribute(declaration, "type")) {
            return RootOfQName(declaration, AttributeOf(declaration, "type"), 0);
        }
        for (const xmlNode* c = declaration->children; c != nullptr; c = c->next) {
            if (IsXs(c, "simpleType")) return RootOfSimpleType(c, 0);
        }
        return SchemaRootType::Other;  // xs:anySimpleType
    }

  private:
    SchemaRootType RootOfQName(const xmlNode* context, const std::string& text, int depth) const {
        QName name;
        if (depth > kMaxSchemaDepth || !ResolveQName(context, text, name)) {
            return SchemaRootType::Other;
        }
        if (name.nsUri == kXsdNamespace) return BuiltInRoot(name.local);
        if (name.nsUri != m_target) return SchemaRootType::Other;
        const xmlNode* type = Global("simpleType", name.local);
        return type != nullptr ? RootOfSimpleType(type, depth + 1) : SchemaRootType::Other;
    }

    SchemaRootType RootOfSimpleType(const xmlNode* type, int depth) const {
        if (depth > kMaxSchemaDepth) return SchemaRootType::Other;
        for (const xmlNode* c = type->children; c != nullptr; c = c->next) {
            if (IsXs(c, "restriction")) {
                if (HasAttribute(c, "base")) {
                    return RootOfQName(c, AttributeOf(c, "base"), depth + 1);
                }
                for (const xmlNode* inner = c->children; inner != nullptr; inner = inner->next) {
                    if (IsXs(inner, "simpleType")) return RootOfSimpleType(inner, depth + 1);
                }
                return SchemaRootType::Other;
            }
            if (IsXs(c, "list") || IsXs(c, "union")) return SchemaRootType::Other;
        }
        return SchemaRootType::Other;
    }

    const xmlNode* m_schema;
    const std::string& m_target;
};

// The SchemaExtension element of a declaration's annotation, searched at any depth below the
// annotation's appinfo elements; null when there is none.
const xmlNode* FindExtension(const xmlNode* node) {
    if (node == nullptr) return nullptr;
    if (Is(node, ExtensionNamespaceUri, "SchemaExtension")) return node;
    for (const xmlNode* c = node->children; c != nullptr; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        if (const xmlNode* found = FindExtension(c)) return found;
    }
    return nullptr;
}

bool HookOf(const xmlNode* declaration, std::string_view hookKind, std::string& function) {
    if (declaration == nullptr) return false;
    for (const xmlNode* c = declaration->children; c != nullptr; c = c->next) {
        if (!IsXs(c, "annotation")) continue;
        for (const xmlNode* info = c->children; info != nullptr; info = info->next) {
            if (!IsXs(info, "appinfo")) continue;
            const xmlNode* extension = FindExtension(info);
            if (extension != nullptr &&
                xml::GetAttribute(extension, std::string(hookKind).c_str(), function)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

ProfileSchema::~ProfileSchema() {
    if (m_schema != nullptr) xmlSchemaFree(m_schema);
}

std::unique_ptr<ProfileSchema> ProfileSchema::Compile(std::string_view text, std::string& error) {
    xml::ParseResult parsed = xml::ParseUntrusted(text);
    if (!parsed.doc) {
        error = parsed.reason;
        return nullptr;
    }
    const xmlNode* root = xmlDocGetRootElement(parsed.doc.get());
    if (!IsXs(root, "schema")) {
        error = "The document is not an XML schema";
        return nullptr;
    }
    std::unique_ptr<ProfileSchema> schema(new ProfileSchema());
    schema->m_targetNamespace = AttributeOf(root, "targetNamespace");

    // libxml2 compiles from a document it may change and keeps pointers into; give it its own.
    schema->m_compiledFrom.reset(xmlCopyDoc(parsed.doc.get(), 1));
    if (!schema->m_compiledFrom) throw std::bad_alloc();
    std::unique_ptr<xmlSchemaParserCtxt, SchemaParserCtxtFree> context(
        xmlSchemaNewDocParserCtxt(schema->m_compiledFrom.get()));
    if (!context) throw std::bad_alloc();
    ErrorCollector errors;
    xmlSchemaSetParserStructuredErrors(context.get(), &ErrorCollector::Collect, &errors);
    schema->m_schema = xmlSchemaParse(context.get());
    if (schema->m_schema == nullptr || errors.count > 0) {
        error = errors.Text("The schema does not compile");
        return nullptr;
    }
    schema->m_document = std::move(parsed.doc);
    return schema;
}

bool ProfileSchema::Validate(xmlDoc* document, std::string& errors) const {
    std::unique_ptr<xmlSchemaValidCtxt, SchemaValidCtxtFree> context(
        xmlSchemaNewValidCtxt(m_schema));
    if (!context) throw std::bad_alloc();
    ErrorCollector collector;
    xmlSchemaSetValidStructuredErrors(context.get(), &ErrorCollector::Collect, &collector);
    const int result = xmlSchemaValidateDoc(context.get(), document);
    if (result == 0) return true;
    errors = collector.Text(result < 0 ? "The validator failed" : "The document is not valid");
    return false;
}

bool ProfileSchema::LookUpElement(const xmlNode* element, Declaration& found,
                                  std::string& path) const {
    // The element and its ancestors, document element first; all in the target namespace and
    // rooted in a document.
    std::vector<const xmlNode*> chain;
    const xmlNode* node = element;
    for (; node != nullptr && node->type == XML_ELEMENT_NODE; node = node->parent) {
        const char* nsUri = node->ns != nullptr ? xml::Chars(node->ns->href) : "";
        if (m_targetNamespace != nsUri) return false;
        chain.push_back(node);
    }
    if (node == nullptr || node->type != XML_DOCUMENT_NODE || chain.empty()) return false;

    path.clear();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) path += '/';
        path += xml::Chars((*it)->name);
    }
    if (auto hit = m_elements.find(path); hit != m_elements.end()) {
        found = hit->second;
        return true;
    }

    // Not cached: walk down from the document element, caching every prefix found on the way.
    const SchemaWalker walker(xmlDocGetRootElement(m_document.get()), m_targetNamespace);
    std::string prefix;
    Declaration current;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const std::string name = xml::Chars((*it)->name);
        if (!prefix.empty()) prefix += '/';
        prefix += name;
        if (auto hit = m_elements.find(prefix); hit != m_elements.end()) {
            current = hit->second;
            continue;
        }
        if (current.target == nullptr) {
            const xmlNode* global = walker.Global("element", name);
            if (global == nullptr) return false;
            current = {global, global};
        } else {
            ParticleDecl child;
            if (!walker.FindChildElement(walker.ComplexTypeOf(current.target), name, child, 0)) {
                return false;
            }
            current = {child.site, child.target};
        }
        m_elements.emplace(prefix, current);
    }
    found = current;
    return true;
}

bool ProfileSchema::LookUpAttribute(const xmlNode* element, std::string_view name,
                                    AttributeEntry& found) const {
    Declaration owner;
    std::string path;
    if (!LookUpElement(element, owner, path)) return false;
    const std::string key = path + '@' + std::string(name);
    if (auto hit = m_attributes.find(key); hit != m_attributes.end()) {
        found = hit->second;
        return true;
    }
    const SchemaWalker walker(xmlDocGetRootElement(m_document.get()), m_targetNamespace);
    const xmlNode* declaration =
        walker.FindAttribute(walker.ComplexTypeOf(owner.target), std::string(name), 0);
    if (declaration == nullptr) return false;
    found.declaration = {declaration, declaration};
    found.rootType = walker.RootOfAttribute(declaration);
    m_attributes.emplace(key, found);
    return true;
}

const xmlNode* ProfileSchema::FindElementDeclaration(const xmlNode* element) const {
    Declaration found;
    std::string path;
    return LookUpElement(element, found, path) ? found.target : nullptr;
}

const xmlNode* ProfileSchema::FindAttributeDeclaration(const xmlNode* element,
                                                       std::string_view name) const {
    AttributeEntry found;
    return LookUpAttribute(element, name, found) ? found.declaration.target : nullptr;
}

bool ProfileSchema::GetAttributeRootType(const xmlNode* element, std::string_view name,
                                         SchemaRootType& type) const {
    AttributeEntry found;
    if (!LookUpAttribute(element, name, found)) return false;
    type = found.rootType;
    return true;
}

bool ProfileSchema::FindHook(const xmlNode* node, std::string_view hookKind,
                             std::string& function) const {
    if (node == nullptr) return false;
    Declaration declaration;
    if (node->type == XML_ATTRIBUTE_NODE) {
        AttributeEntry attribute;
        if (!LookUpAttribute(node->parent, xml::Chars(node->name), attribute)) return false;
        declaration = attribute.declaration;
    } else {
        std::string path;
        if (!LookUpElement(node, declaration, path)) return false;
    }
    return HookOf(declaration.site, hookKind, function) ||
           (declaration.target != declaration.site &&
            HookOf(declaration.target, hookKind, function));
}

}  // namespace vex

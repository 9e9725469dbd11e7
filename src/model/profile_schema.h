#pragma once

// The model template's schema, loaded: a compiled libxml2 schema that validates profile documents,
// and the schema's own document, in which the data item layer looks up the declaration of a profile
// node (its value type and its rule-script hooks).
//
// Declaration lookup works on the schema document as written, for schemas made the way
// DataProfile.xsd is: one target namespace, no include or import. It understands global and local
// element declarations, element references, named and anonymous complex types, xs:sequence,
// xs:choice, xs:all, model group references, complex content extensions and restrictions (the base
// type's particles and attributes count too), attributes declared locally or by reference, and
// attribute groups. Anything else (xs:any, substitution groups, redefinitions) declares nothing
// here. A lookup that finds nothing is not an error of this class: the caller decides.
//
// Caching: an element's declaration is kept per element path, the local names of the element and
// its ancestors from the document element down ("VEXProfile/Contacts/Privates/Private"), so every
// element of one list shares one entry; an attribute's declaration and root type are kept per
// element path and attribute name. Only found declarations are cached, so elements that a rule
// script invents cannot grow the cache. Entries point into the schema document, which lives as
// long as this object.
//
// Not thread-safe (the caches fill on first use): one thread owns a model and its schema.

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "common/xml.h"

struct _xmlSchema;

namespace vex {

// The XML Schema built-in type at the root of a declared simple type's derivation chain, as far as
// attribute typing cares.
enum class SchemaRootType {
    Long,          // xs:long
    Boolean,       // xs:boolean
    UnsignedLong,  // xs:unsignedLong
    Other,         // any other built-in, a list, a union, or a type that cannot be followed
};

class ProfileSchema {
  public:
    ~ProfileSchema();
    ProfileSchema(const ProfileSchema&) = delete;
    ProfileSchema& operator=(const ProfileSchema&) = delete;

    // Compiles schema text. The text is parsed like any untrusted document (no DTD, no entity
    // substitution, no network, no external entity), and compiled by libxml2 from its own copy of
    // that document. Null with `error` set (the reasons, one per line) when the text does not parse
    // or is not a schema that compiles; parser messages never reach stderr.
    static std::unique_ptr<ProfileSchema> Compile(std::string_view text, std::string& error);

    // Validates a whole document. False with `errors` set to the first few reasons, one per line,
    // each with its line number.
    bool Validate(xmlDoc* document, std::string& errors) const;

    // The xs:element declaration of a profile element; null when the schema declares no such
    // element at that place (or the element, or an ancestor, is outside the target namespace).
    // For an element declared by reference this is the referenced global declaration.
    const xmlNode* FindElementDeclaration(const xmlNode* element) const;

    // The xs:attribute declaration of the unqualified attribute `name` of `element`; null when
    // there is none. For an attribute declared by reference, the referenced global declaration.
    const xmlNode* FindAttributeDeclaration(const xmlNode* element, std::string_view name) const;

    // The root built-in type of the declared type of attribute `name` of `element`; false when the
    // attribute has no declaration. The chain is followed from the declared type through each
    // restriction's base until an XML Schema built-in is reached.
    bool GetAttributeRootType(const xmlNode* element, std::string_view name,
                              SchemaRootType& type) const;

    // The rule-script function that the schema names for hook `hookKind` (SetVal, CanAddChild,
    // OnAddNew, OnDelete, IsEnabled) of `node`, an element or an attribute (passed as the xmlNode*
    // libxml2 makes of an xmlAttr*): the attribute `hookKind` of the cprg:SchemaExtension element
    // in the declaration's xs:annotation/xs:appinfo. A reference's own annotation is looked at
    // before the referenced declaration's. False when there is no such hook.
    bool FindHook(const xmlNode* node, std::string_view hookKind, std::string& function) const;

  private:
    ProfileSchema() = default;

    struct Declaration {
        const xmlNode* site = nullptr;    // where the node is declared (a reference, or the decl)
        const xmlNode* target = nullptr;  // the declaration itself (the referenced one for a ref)
    };
    struct AttributeEntry {
        Declaration declaration;
        SchemaRootType rootType = SchemaRootType::Other;
    };

    bool LookUpElement(const xmlNode* element, Declaration& found, std::string& path) const;
    bool LookUpAttribute(const xmlNode* element, std::string_view name,
                         AttributeEntry& found) const;

    xml::DocPtr m_document;      // the schema as written, for lookups
    xml::DocPtr m_compiledFrom;  // libxml2's copy, which the compiled schema may point into
    _xmlSchema* m_schema = nullptr;
    std::string m_targetNamespace;

    mutable std::unordered_map<std::string, Declaration> m_elements;
    mutable std::unordered_map<std::string, AttributeEntry> m_attributes;
};

}  // namespace vex

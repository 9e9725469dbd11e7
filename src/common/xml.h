#pragma once

// Small RAII and parsing helpers over libxml2, shared by everything that reads profile text.

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <memory>
#include <string>
#include <string_view>

namespace vex::xml {

struct DocFree {
    void operator()(xmlDoc* d) const noexcept { xmlFreeDoc(d); }
};
struct XPathContextFree {
    void operator()(xmlXPathContext* c) const noexcept { xmlXPathFreeContext(c); }
};
struct XPathObjectFree {
    void operator()(xmlXPathObject* o) const noexcept { xmlXPathFreeObject(o); }
};
struct XmlCharFree {
    void operator()(xmlChar* s) const noexcept { xmlFree(s); }
};

using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
using XPathContextPtr = std::unique_ptr<xmlXPathContext, XPathContextFree>;
using XPathObjectPtr = std::unique_ptr<xmlXPathObject, XPathObjectFree>;
using XmlCharPtr = std::unique_ptr<xmlChar, XmlCharFree>;

// Why a text did not become a document.
enum class ParseFailure {
    None,
    NotWellFormed,  // the parser's reason is in ParseResult::reason
    HasDoctype,     // profiles never carry a document type declaration
    TooLarge,       // past kMaxAttributesPerElement or the caller's node limit
};

// No document the program reads has an element with more attributes (a profile's limit element
// has 38). The parser checks each new attribute against all earlier ones of its element, so a
// single start tag with a hundred thousand attributes would take minutes; such a text is refused
// before it is parsed.
inline constexpr std::size_t kMaxAttributesPerElement = 256;

// For ParseUntrusted: no limit on the nodes.
inline constexpr std::size_t kNoNodeLimit = static_cast<std::size_t>(-1);

struct ParseResult {
    DocPtr doc;
    ParseFailure failure = ParseFailure::None;
    std::string reason;  // for the user's detail text; empty on success
};

// Parses untrusted profile text (UTF-8, whatever the declaration names) into a document.
//
// Network access, DTD loading and entity substitution are off, and every external entity load is
// refused. A document with a DOCTYPE is refused before its internal subset is read: libxml2 would
// otherwise expand internal entities whenever node content is read, and a small file can grow to
// hundreds of megabytes that way. Text nodes made only of white space are dropped, so the
// separators between elements are never nodes and only comments, processing instructions and real
// text end a walk over siblings. Parser messages go to the result, never to stderr.
//
// A text with an element of more than kMaxAttributesPerElement attributes is refused before it is
// parsed, and one with more than `maxNodes` elements, attributes (namespace declarations among
// them), comments and processing instructions as soon as the parser reaches the first one too
// many (TooLarge).
ParseResult ParseUntrusted(std::string_view text, std::size_t maxNodes = kNoNodeLimit);

// The document as UTF-8 text with an XML declaration, without added indentation.
std::string Serialise(xmlDoc* doc);

// The same, one element a line, each indented by its depth: for people to read and edit.
std::string SerialiseIndented(xmlDoc* doc);

// An XPath context on doc with `prefix` bound to `uri`. Never null (aborts on allocation failure
// the way the rest of the program does on std::bad_alloc: it throws it).
XPathContextPtr MakeXPathContext(xmlDoc* doc, const char* prefix, const char* uri);

// The first node, in document order, that `expression` selects relative to `node` (the document's
// root when node is null); null when none, or when the expression is not valid.
xmlNode* SelectFirst(xmlXPathContext* context, const char* expression, xmlNode* node = nullptr);

// Helpers to look at libxml2's unsigned char strings as text.
inline const char* Chars(const xmlChar* s) {
    return reinterpret_cast<const char*>(s);
}
inline const xmlChar* XmlChars(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

// The value of the attribute `name` (no namespace) of element, entities resolved; false when the
// element has no such attribute.
bool GetAttribute(const xmlNode* element, const char* name, std::string& value);

}  // namespace vex::xml

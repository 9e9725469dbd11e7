#include "common/xml.h"

#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <libxml/xpathInternals.h>

#include <climits>
#include <mutex>
#include <new>

namespace vex::xml {

namespace {

// Profiles, schemas and templates are self-contained: nothing is ever loaded from a URL or a path
// that a document names.
xmlParserInputPtr RefuseExternalEntity(const char* /*url*/, const char* /*id*/,
                                       xmlParserCtxtPtr /*ctxt*/) {
    return nullptr;
}

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
    });
}

struct ParserCtxtFree {
    void operator()(xmlParserCtxt* c) const noexcept { xmlFreeParserCtxt(c); }
};

// Set on the parser context while parsing: the DOCTYPE handler stops the parser and records why.
struct ParseState {
    bool sawDoctype = false;
};

void StopAtDoctype(void* ctx, const xmlChar* /*name*/, const xmlChar* /*externalId*/,
                   const xmlChar* /*systemId*/) {
    auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
    static_cast<ParseState*>(ctxt->_private)->sawDoctype = true;
    xmlStopParser(ctxt);
}

bool IsBlank(const xmlChar* s) {
    if (s == nullptr) return true;
    for (; *s != 0; ++s) {
        if (*s != ' ' && *s != '\t' && *s != '\n' && *s != '\r') return false;
    }
    return true;
}

void DropBlankText(xmlNode* node) {
    for (xmlNode* child = node->children; child != nullptr;) {
        xmlNode* next = child->next;
        if (child->type == XML_TEXT_NODE && IsBlank(child->content)) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        } else if (child->type == XML_ELEMENT_NODE) {
            DropBlankText(child);
        }
        child = next;
    }
}

std::string TrimReason(const char* message) {
    std::string reason = message != nullptr ? message : "";
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
    return reason;
}

}  // namespace

ParseResult ParseUntrusted(std::string_view text) {
    InitialiseOnce();
    ParseResult result;
    std::unique_ptr<xmlParserCtxt, ParserCtxtFree> ctxt(xmlNewParserCtxt());
    if (!ctxt) throw std::bad_alloc();
    ParseState state;
    ctxt->_private = &state;
    ctxt->sax->internalSubset = StopAtDoctype;
    // Errors are kept in the context (xmlCtxtGetLastError); some are raised past the NOERROR
    // option (a huge text node), so give them a handler that prints nothing.
    ctxt->sax->serror = [](void*, xmlError*) {};

    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        result.failure = ParseFailure::NotWellFormed;
        result.reason = "Document too large";
        return result;
    }
    constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    DocPtr doc(xmlCtxtReadMemory(ctxt.get(), text.data(), static_cast<int>(text.size()), nullptr,
                                 "UTF-8", kOptions));
    if (state.sawDoctype || (doc && (doc->intSubset != nullptr || doc->extSubset != nullptr))) {
        result.failure = ParseFailure::HasDoctype;
        result.reason = "A document type declaration is not allowed in a profile";
        return result;
    }
    if (!doc || !ctxt->wellFormed) {
        result.failure = ParseFailure::NotWellFormed;
        const xmlError* error = xmlCtxtGetLastError(ctxt.get());
        if (error != nullptr) {
            result.reason =
                "Line " + std::to_string(error->line) + ": " + TrimReason(error->message);
        } else {
            result.reason = "The text is not a well-formed XML document";
        }
        return result;
    }
    if (xmlNode* root = xmlDocGetRootElement(doc.get())) DropBlankText(root);
    result.doc = std::move(doc);
    return result;
}

namespace {

std::string Dump(xmlDoc* doc, int format) {
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &buffer, &size, "UTF-8", format);
    if (buffer == nullptr) throw std::bad_alloc();
    XmlCharPtr owner(buffer);
    return std::string(Chars(buffer), static_cast<std::size_t>(size));
}

}  // namespace

std::string Serialise(xmlDoc* doc) {
    return Dump(doc, 0);
}

std::string SerialiseIndented(xmlDoc* doc) {
    return Dump(doc, 1);
}

XPathContextPtr MakeXPathContext(xmlDoc* doc, const char* prefix, const char* uri) {
    XPathContextPtr context(xmlXPathNewContext(doc));
    if (!context || xmlXPathRegisterNs(context.get(), XmlChars(prefix), XmlChars(uri)) != 0) {
        throw std::bad_alloc();
    }
    // Our expressions are fixed; keep libxml2 from printing to stderr if one ever fails.
    context->error = [](void*, xmlError*) {};
    return context;
}

xmlNode* SelectFirst(xmlXPathContext* context, const char* expression, xmlNode* node) {
    XPathObjectPtr found(node != nullptr ? xmlXPathNodeEval(node, XmlChars(expression), context)
                                         : xmlXPathEvalExpression(XmlChars(expression), context));
    if (!found || found->type != XPATH_NODESET || found->nodesetval == nullptr ||
        found->nodesetval->nodeNr == 0) {
        return nullptr;
    }
    return found->nodesetval->nodeTab[0];
}

bool GetAttribute(const xmlNode* element, const char* name, std::string& value) {
    if (element == nullptr || element->type != XML_ELEMENT_NODE) return false;
    xmlAttr* attribute = xmlHasNsProp(element, XmlChars(name), nullptr);
    if (attribute == nullptr) return false;
    XmlCharPtr text(xmlNodeListGetString(element->doc, attribute->children, 1));
    value = text ? Chars(text.get()) : "";
    return true;
}

}  // namespace vex::xml

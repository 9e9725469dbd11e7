// The limits of the untrusted parse: attributes per element (counted before parsing, so quoted
// values and comments must not fool the count) and the caller's node limit.

#include "common/xml.h"

#include <gtest/gtest.h>

#include <string>

namespace vex::xml {
namespace {

std::string Attributes(int n, const char* value) {
    std::string out;
    for (int i = 0; i < n; ++i) out += " a" + std::to_string(i) + "=" + value;
    return out;
}

TEST(ParseUntrusted, RefusesWhatNoDocumentOfOursHolds) {
    const std::string limit = std::to_string(kMaxAttributesPerElement);
    const int most = static_cast<int>(kMaxAttributesPerElement);
    const std::string manyEquals(1000, '=');
    struct Row {
        const char* what;
        std::string text;
        std::size_t maxNodes;
        ParseFailure failure;
    };
    const Row rows[] = {
        {"attributes at the limit", "<r" + Attributes(most, "'='") + "/>", kNoNodeLimit,
         ParseFailure::None},
        {"one past it", "<r" + Attributes(most + 1, "\"\"") + "/>", kNoNodeLimit,
         ParseFailure::TooLarge},
        {"'=' in comments, CDATA, processing instructions, values and text",
         "<r a='" + manyEquals + "' b=\">" + manyEquals + "\"><!--<x " + manyEquals +
             "--><![CDATA[<x " + manyEquals + "]]><?pi " + manyEquals + "?>" + manyEquals + "</r>",
         kNoNodeLimit, ParseFailure::None},
        {"nodes at the limit (element, attribute, comment, element)", "<r a='1'><!----><e/></r>", 4,
         ParseFailure::None},
        {"one node too many", "<r a='1'><!----><e/><?p?></r>", 4, ParseFailure::TooLarge},
        {"namespace declarations count", "<r xmlns='urn:x' xmlns:p='urn:y'/>", 2,
         ParseFailure::TooLarge},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const ParseResult parsed = ParseUntrusted(row.text, row.maxNodes);
        EXPECT_EQ(parsed.failure, row.failure) << parsed.reason;
        EXPECT_EQ(parsed.doc != nullptr, row.failure == ParseFailure::None);
    }
}

}  // namespace
}  // namespace vex::xml

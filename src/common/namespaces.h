#pragma once

namespace vex {

// Every element of a profile is in this namespace, declared as the document's default namespace;
// XPath queries over a profile bind it to the prefix "dfns".
inline constexpr const char* ProfileNamespaceUri = "urn:kestrion:vex480-prg:profile";
inline constexpr const char* ProfilePrefix = "dfns";

// Schema annotations that name rule-script functions live in this namespace (prefix "cprg").
inline constexpr const char* ExtensionNamespaceUri = "urn:kestrion:vex480-prg:schema-extension";
inline constexpr const char* ExtensionPrefix = "cprg";

}  // namespace vex

#include "model/script_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/namespaces.h"
#include "common/xml.h"

namespace vex {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kProfile = R"(<?xml version="1.0" encoding="utf-8"?>
<VEXProfile xmlns="urn:kestrion:vex480-prg:profile">
  <Settings volume="3" name="Base"/>
  <Privates>
    <Private name="Ann" pid="11"/>
    <Private name="Bob" pid="12"/>
  </Privates>
</VEXProfile>)";

// Runs `code` with `e` bound to the node argument and gives pcall's verdict: lets one call probe
// an error without failing the hook.
constexpr const char* kTryScript = R"lua(
function Try(e, code)
  local chunk = assert(load("local e = ...; " .. code))
  return pcall(chunk, e)
end
)lua";

xml::DocPtr Parse(const char* text) {
    xml::ParseResult parsed = xml::ParseUntrusted(text);
    EXPECT_TRUE(parsed.doc) << parsed.reason;
    return std::move(parsed.doc);
}

class ScriptHostTest : public ::testing::Test {
  protected:
    ScriptHostTest()
        : m_doc(Parse(kProfile)),
          m_host([this](const std::string& text) { m_reports.push_back(text); }) {
        m_host.BeginDocument(m_doc.get());
    }

    void Load(const char* source) {
        ASSERT_TRUE(m_host.Load(source, "Rules.lua")) << ::testing::PrintToString(m_reports);
    }

    std::vector<ScriptValue> Call(const char* name, std::vector<ScriptValue> arguments,
                                  int resultCount) {
        std::vector<ScriptValue> results;
        EXPECT_TRUE(m_host.Call(name, arguments, resultCount, results))
            << ::testing::PrintToString(m_reports);
        return results;
    }

    // A call expected to fail: the report it made.
    std::string Failure(const char* name, std::vector<ScriptValue> arguments) {
        std::vector<ScriptValue> results;
        m_reports.clear();
        EXPECT_FALSE(m_host.Call(name, arguments, 1, results));
        EXPECT_EQ(m_reports.size(), 1u);
        return m_reports.empty() ? std::string() : m_reports.back();
    }

    // What Try said about `code` run against the root element: empty when it ran.
    std::string TryError(const std::string& code) {
        std::vector<ScriptValue> results = Call("Try", {Root(), code}, 2);
        if (results.size() != 2 || results[0] == ScriptValue(true)) return {};
        auto* message = std::get_if<std::string>(&results[1]);
        return message != nullptr ? *message : "(no message)";
    }

    xmlNode* Root() { return xmlDocGetRootElement(m_doc.get()); }

    xmlNode* Select(const char* xpath) {
        auto context = xml::MakeXPathContext(m_doc.get(), ProfilePrefix, ProfileNamespaceUri);
        return xml::SelectFirst(context.get(), xpath);
    }

    std::string Text() const { return xml::Serialise(m_doc.get()); }

    std::string Names(const char* listXPath) {
        std::string names;
        for (xmlNode* child = Select(listXPath)->children; child; child = child->next) {
            std::string name;
            xml::GetAttribute(child, "name", name);
            names += (names.empty() ? "" : ",") + name;
        }
        return names;
    }

    std::vector<std::string> m_reports;
    xml::DocPtr m_doc;
    ScriptHost m_host;
};

// The node methods, seen through hooks of the same host.
class DomBindingTest : public ScriptHostTest {};

TEST_F(ScriptHostTest, ValuesCrossInBothDirectionsWithTheirTypes) {
    Load(R"lua(
function Echo(...) return ... end
function Types(a, b) return math.type(a), math.type(b) end
function Odd() return {}, print, nil end)lua");
    xmlNode* root = Root();
    std::vector<ScriptValue> values = {
        true, std::int64_t{-5}, 2.5, std::string("a\0b", 3), std::monostate{}, root};
    std::vector<ScriptValue> echoed = values;
    echoed.push_back(std::monostate{});  // asked for one more than returned
    EXPECT_EQ(Call("Echo", values, 7), echoed);

    EXPECT_EQ(Call("Types", {std::int64_t{5}, 5.0}, 2),
              (std::vector<ScriptValue>{std::string("integer"), std::string("float")}));
    EXPECT_EQ(Call("Odd", {}, 2), (std::vector<ScriptValue>{std::monostate{}, std::monostate{}}));
}

TEST_F(DomBindingTest, SetWritesEveryKindOfValueAsText) {
    Load(R"lua(
function Fill(e)
  e:set("s", "a & <b>")
  e:set("i", -42)
  e:set("whole", 5.0)
  e:set("frac", 2.5)
  e:set("big", 1e300)
  e:set("yes", true)
  e:set("no", false)
  e:set("volume", "9")
end)lua");
    Call("Fill", {Select("//dfns:Settings")}, 0);
    EXPECT_THAT(Text(),
                HasSubstr("<Settings volume=\"9\" name=\"Base\" s=\"a &amp; &lt;b&gt;\" i=\"-42\" "
                          "whole=\"5\" frac=\"2.5\" big=\"1e+300\" yes=\"1\" no=\"0\"/>"));
}

TEST_F(DomBindingTest, NodesNavigateTheTree) {
    Load(R"lua(
function Walk(root)
  local privates = root:child("Privates")
  local kids = privates:children()
  local pid = kids[1]:select_one("@pid")
  local out = {root:name(), #kids, kids[2]:get("name"), kids[2]:index(), tostring(kids[1]),
    kids[1]:parent() == privates, kids[2]:root() == root, root:parent(), kids[1]:get("none"),
    kids[1]:has("pid"), kids[1]:has("none"), pid:value(), pid:parent() == kids[1], tostring(pid),
    root:child("Nothing"), getmetatable(root)}
  for i = 1, 16 do out[i] = tostring(out[i]) end
  return table.concat(out, ",")
end)lua");
    EXPECT_EQ(Call("Walk", {Root()}, 1)[0],
              ScriptValue(std::string("VEXProfile,2,Bob,1,<Private>,true,true,nil,nil,true,false,"
                                      "11,true,@pid,nil,false")));
}

TEST_F(DomBindingTest, XPathUsesTheProfilePrefixRelativeToTheNode) {
    Load(R"lua(
function Query(root)
  local privates = root:child("Privates")
  local found = root:select("//dfns:Private[@pid > 11]")
  return #found, found[1]:get("name"), #privates:select("dfns:Private"),
    root:count("count(//dfns:*)"), root:select_one("dfns:Nothing"),
    root:select("//dfns:Private/@name")[2]:value(), privates:count("sum(dfns:Private/@pid)"),
    root:count("1 div 2"), root:count("//Private")
end)lua");
    EXPECT_EQ(Call("Query", {Root()}, 9),
              (std::vector<ScriptValue>{std::int64_t{1}, std::string("Bob"), std::int64_t{2},
                                        std::int64_t{5}, std::monostate{}, std::string("Bob"),
                                        std::int64_t{23}, 0.5, std::int64_t{0}}));
}

TEST_F(DomBindingTest, HooksCreateInsertMoveAndRemoveElements) {
    Load(R"lua(
function Edit(root)
  local privates = root:child("Privates")
  local carl = root:create("Private")
  carl:set("name", "Carl")
  assert(privates:append(carl) == carl)
  local zed = root:create("Private")
  zed:set("name", "Zed")
  privates:insert_before(zed, privates:children()[1])
  local bob = privates:select_one("dfns:Private[@name='Bob']")
  bob:remove()
  local ann = privates:child("Private"):select_one("following-sibling::dfns:Private")
  ann:remove()
  privates:insert_before(ann, nil)
  root:create("Orphan"):append(root:create("OrphanChild"))
  assert(root:child("Settings"):remove_attr("volume"))
  assert(not root:child("Settings"):remove_attr("volume"))
  local label = root:child("Settings"):select_one("@name")
  label:remove()
  assert(label:value() == "Base" and label:parent() == nil)
  return bob:get("name"), bob:parent(), bob:index()
end)lua");
    EXPECT_EQ(Call("Edit", {Root()}, 3),
              (std::vector<ScriptValue>{std::string("Bob"), std::monostate{}, std::monostate{}}));
    EXPECT_EQ(Names("//dfns:Privates"), "Zed,Carl,Ann");
    EXPECT_THAT(Text(), HasSubstr("<Settings/>"));
    // Created elements are in the profile namespace without declaring it again.
    EXPECT_THAT(Text(), HasSubstr("<Private name=\"Carl\"/>"));
    EXPECT_THAT(Text(), Not(HasSubstr("Orphan")));
}

TEST_F(DomBindingTest, MovedElementKeepsItsNamespaceWhenItsOldAncestorGoes) {
    // The profile namespace is declared on an inner element that is removed (and freed) after its
    // child moved out: the child must not keep pointing at that declaration.
    xml::DocPtr doc = Parse(
        "<Outer><Inner xmlns='urn:kestrion:vex480-prg:profile'><Private "
        "name='P'/></Inner></Outer>");
    m_host.BeginDocument(doc.get());
    Load(R"lua(
function Hoist(outer)
  local inner = outer:children()[1]
  outer:append(inner:child("Private"))
  outer:append(outer:create("Made"))
  inner:remove()
end)lua");
    Call("Hoist", {xmlDocGetRootElement(doc.get())}, 0);
    auto context = xml::MakeXPathContext(doc.get(), ProfilePrefix, ProfileNamespaceUri);
    EXPECT_NE(xml::SelectFirst(context.get(), "/Outer/dfns:Private[@name='P']"), nullptr);
    EXPECT_NE(xml::SelectFirst(context.get(), "/Outer/dfns:Made"), nullptr);
    EXPECT_THAT(xml::Serialise(doc.get()), Not(HasSubstr("Inner")));
    m_host.BeginDocument(m_doc.get());
}

// Misuse raises a Lua error, without printing anything, and leaves the tree as it was.
TEST_F(DomBindingTest, TreeCannotBeBrokenThroughTheBinding) {
    Load(kTryScript);
    const std::string before = Text();
    const struct {
        const char* code;
        const char* error;
    } rows[] = {
        {"e:select('//dfns:[')", "bad XPath expression"},
        {"e:select('//x:Private')", "undefined namespace prefix"},
        {"e:select('count(*)')", "gives a value, not nodes"},
        {"e:count('string(1)')", "neither nodes nor a number"},
        {"e:remove()", "document element cannot be removed"},
        {"e:child('Privates'):append(e)", "document element cannot be moved"},
        {"local p = e:child('Privates'); p:children()[1]:append(p)", "cannot go into itself"},
        {"e:append(e:child('Settings'):select_one('@volume'))", "element expected"},
        {"e:child('Privates'):insert_before(e:create('X'), e:child('Settings'))",
         "not a child of this element"},
        {"e:create('bad name')", "'bad name' is not a valid XML name"},
        {"e:set('a', {})", "string, number or boolean expected"},
        {"e:set('a', 0/0)", "finite number expected"},
        {"e:set('a', 'x\\0y')", "not valid UTF-8 XML text"},
        {"e:set('a', '\\255')", "not valid UTF-8 XML text"},
        {"e:get('a\\0b')", "NUL"},
        {"e:value()", "attribute expected"},
        {"e.name()", "node expected, got no value"},
        {"e:get()", "string expected, got no value"},
        {"e:child('Settings').get(e:child('Settings'):select_one('@name'), 'x')",
         "element expected"},
    };
    ::testing::internal::CaptureStderr();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_THAT(TryError(row.code), HasSubstr(row.error));
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Text(), before);
}

TEST_F(DomBindingTest, NodeKeptFromAnEarlierCallIsRefusedAsStale) {
    Load(R"lua(
function Keep(n) kept = n end
function KeepRemoved(n) kept = n:child("Privates"); kept:remove() end
function UseKept() return kept:name() end
function Compare(n) return kept == n end
function ReturnRemoved(n) local c = n:child("Settings"); c:remove(); return c end)lua");
    Call("Keep", {Root()}, 0);
    EXPECT_THAT(Failure("UseKept", {}), HasSubstr("stale node"));
    EXPECT_THAT(Failure("Compare", {Root()}), HasSubstr("stale node"));

    // The removed element is freed when its call ends; the value that held it must not reach it,
    // nor may the caller see it: a node returned must be in the document, and the failed call is
    // undone. (A node created and left out is refused in the data item tests.)
    Call("KeepRemoved", {Root()}, 0);
    EXPECT_EQ(Select("//dfns:Privates"), nullptr);
    EXPECT_THAT(Failure("UseKept", {}), HasSubstr("stale node"));
    EXPECT_THAT(Failure("ReturnRemoved", {Root()}),
                HasSubstr("ReturnRemoved returned a node that is not in the document (Settings)"));
    EXPECT_NE(Select("//dfns:Settings"), nullptr);

    // A new document makes every earlier node stale, and nodes of another document are refused.
    Call("Keep", {Root()}, 0);
    xml::DocPtr other = Parse(kProfile);
    m_host.BeginDocument(other.get());
    EXPECT_THAT(Failure("UseKept", {}), HasSubstr("stale node"));
    EXPECT_THAT(Failure("Keep", {Root()}), HasSubstr("another document"));
    m_host.BeginDocument(m_doc.get());
}

TEST_F(ScriptHostTest, SandboxOffersOnlyTheSafeLibraries) {
    Load(R"lua(
function Missing()
  return io, os, require, dofile, loadfile, package, debug, collectgarbage, print, coroutine,
    utf8, warn
end
function Present()
  return type(string.format), type(table.insert), type(math.floor), type(pcall), type(load)
end
function LoadBinary()
  local chunk, message = load(string.dump(function() return 1 end))
  return chunk == nil, message
end
function LoadText() return load("return 6 * 7")(), load("return x", "c", "t", {x = 5})() end
function Xpcall()
  local ok, message = xpcall(function() error("boom", 0) end, function(m) return "got " .. m end)
  return ok, message, xpcall(function(x, y) return y, x end, tostring, 1, 2)
end
function Finalizer() setmetatable({}, {__gc = function() end}) end
function Memory() return #string.rep("x", 1 << 27) end)lua");
    EXPECT_EQ(Call("Missing", {}, 12), std::vector<ScriptValue>(12, std::monostate{}));
    EXPECT_EQ(Call("Present", {}, 5), std::vector<ScriptValue>(5, std::string("function")));
    std::vector<ScriptValue> binary = Call("LoadBinary", {}, 2);
    EXPECT_EQ(binary[0], ScriptValue(true));
    EXPECT_THAT(std::get<std::string>(binary[1]), HasSubstr("binary chunk"));
    EXPECT_EQ(Call("LoadText", {}, 2),
              (std::vector<ScriptValue>{std::int64_t{42}, std::int64_t{5}}));
    EXPECT_EQ(Call("Xpcall", {}, 5), (std::vector<ScriptValue>{false, std::string("got boom"), true,
                                                               std::int64_t{2}, std::int64_t{1}}));
    EXPECT_THAT(Failure("Finalizer", {}), HasSubstr("__gc"));
    EXPECT_THAT(Failure("Memory", {}), HasSubstr("not enough memory"));
}

TEST_F(ScriptHostTest, RunawayScriptIsStoppedEvenInsideItsOwnPcall) {
    Load(R"lua(
function Spin() while true do end end
function SpinAfterPcall() pcall(function() while true do end end); while true do end end
function PcallForever() while true do pcall(function() while true do end end) end end
function HandlerSpins()
  while true do xpcall(function() while true do end end, function() while true do end end) end
end
function Short() local n = 0 for i = 1, 1000 do n = n + i end return n end)lua");
    for (const char* name : {"Spin", "SpinAfterPcall", "PcallForever", "HandlerSpins"}) {
        SCOPED_TRACE(name);
        auto start = std::chrono::steady_clock::now();
        EXPECT_THAT(Failure(name, {}), HasSubstr("instruction limit reached"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        // The budget is per call: the next one runs in full.
        EXPECT_EQ(Call("Short", {}, 1)[0], ScriptValue(std::int64_t{500500}));
    }

    m_host.SetInstructionLimit(500);
    EXPECT_THAT(Failure("Short", {}), HasSubstr("instruction limit reached"));
}

TEST_F(ScriptHostTest, ErrorsAreReportedWithTheirLine) {
    const struct {
        const char* what;
        const char* source;
        const char* report;
    } rows[] = {
        {"syntax", "local a = 1\nlocal b = = 2\n",
         "Rule script error\nLine: 2\nunexpected symbol near '='"},
        {"run time", "function Hook(n)\n  local x = nil\n  return x.field\nend",
         "Rule script error\nLine: 3\nattempt to index a nil value (local 'x')"},
        {"binding", "function Hook(n)\n\n  n:set('bad name', 1)\nend",
         "Rule script error\nLine: 3\nbad argument #1 to 'set' ('bad name' is not a valid XML "
         "name)"},
        {"table error", "function Hook(n)\n  error({})\nend",
         "Rule script error\nLine: 2\n(error object is a table value)"},
        {"no position", "function Hook(n)\n  error('plain', 0)\nend",
         "Rule script error\nLine: 2\nplain"},
        {"main chunk", "x = 1\nerror('at load')", "Rule script error\nLine: 2\nat load"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptHost host([this](const std::string& text) { m_reports.push_back(text); });
        host.BeginDocument(m_doc.get());
        m_reports.clear();
        std::vector<ScriptValue> results;
        if (host.Load(row.source, "Rules.lua")) {
            EXPECT_TRUE(m_reports.empty());
            EXPECT_FALSE(host.Call("Hook", std::vector<ScriptValue>{Root()}, 1, results));
        }
        EXPECT_THAT(m_reports, ::testing::ElementsAre(row.report));
    }
}

TEST_F(ScriptHostTest, MissingFunctionFailsWithoutReportAndReloadReplacesFunctions) {
    Load("NotAFunction = 1\nfunction Present() end\nfunction Version() return 1 end");
    std::vector<ScriptValue> results;
    EXPECT_FALSE(m_host.Call("Absent", {}, 1, results));
    EXPECT_FALSE(m_host.Call("NotAFunction", {}, 1, results));
    EXPECT_TRUE(m_reports.empty());
    EXPECT_TRUE(m_host.HasFunction("Present"));
    EXPECT_FALSE(m_host.HasFunction("Absent"));
    EXPECT_FALSE(m_host.HasFunction("NotAFunction"));

    // A second load reuses the state: new definitions replace old ones, the others stay.
    Load("function Version() return 2 end");
    EXPECT_EQ(m_host.StatesCreated(), 1);
    EXPECT_EQ(Call("Version", {}, 1)[0], ScriptValue(std::int64_t{2}));
    EXPECT_TRUE(m_host.HasFunction("Present"));
}

}  // namespace
}  // namespace vex

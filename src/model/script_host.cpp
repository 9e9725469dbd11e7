#include "model/script_host.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <exception>
#ifdef VEX_RULES_COVERAGE_FILE
#include <fstream>
#include <set>
#include <sstream>
#endif
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "common/xml.h"
#include "lua.hpp"
#include "model/dom_binding.h"

namespace vex {

namespace {

constexpr std::uint64_t kDefaultInstructionLimit = 10'000'000;

// The most memory the script's state may hold. Rule scripts need little; the cap keeps a runaway
// string.rep or table from taking the machine's memory before the instruction budget runs out.
constexpr std::size_t kMemoryLimit = 64 * 1024 * 1024;

constexpr const char* kErrorTitle = "Rule script error\n";

// More arguments or results than any hook has; keeps the stack arithmetic in int.
constexpr std::size_t kMaxValues = 1000;

struct StateClose {
    void operator()(lua_State* state) const noexcept { lua_close(state); }
};
using StatePtr = std::unique_ptr<lua_State, StateClose>;

// Where a Lua error message begins with the position Lua puts there ("chunk:12: text"): the
// line, and where the text after the position starts.
struct Position {
    int line = 0;
    std::size_t textStart = 0;
};

std::optional<Position> FindPosition(std::string_view message) {
    for (std::size_t colon = message.find(':'); colon != std::string_view::npos;
         colon = message.find(':', colon + 1)) {
        std::size_t digits = colon + 1;
        while (digits < message.size() && message[digits] >= '0' && message[digits] <= '9') {
            ++digits;
        }
        if (digits == colon + 1 || message.substr(digits, 2) != ": ") continue;
        int line = 0;
        for (std::size_t i = colon + 1; i < digits && line < 100'000'000; ++i) {
            line = line * 10 + (message[i] - '0');
        }
        return Position{line, digits + 2};
    }
    return std::nullopt;
}

// The message handler of every call into the script: makes the error a string that starts with
// the position of the error, taken from the innermost Lua function when the message has none
// (error(x, 0), a non-string error value, an error raised from C without a position).
int MessageHandler(lua_State* L) {
    const char* message = lua_tostring(L, 1);
    if (message == nullptr) {
        message = lua_pushfstring(L, "(error object is a %s value)", luaL_typename(L, 1));
    }
    if (FindPosition(message)) return 1;
    lua_Debug frame;
    for (int level = 1; lua_getstack(L, level, &frame) != 0; ++level) {
        if (lua_getinfo(L, "Sl", &frame) != 0 && frame.currentline > 0) {
            lua_pushfstring(L, "%s:%d: %s", frame.short_src, frame.currentline, message);
            return 1;
        }
    }
    return 1;
}

// load() for the sandbox: text chunks only, with the caller's environment or the globals.
int SandboxLoad(lua_State* L) {
    if (lua_type(L, 1) != LUA_TSTRING) return luaL_typeerror(L, 1, "string");
    std::size_t length = 0;
    const char* text = lua_tolstring(L, 1, &length);
    const char* chunkName = luaL_optstring(L, 2, text);
    bool hasEnvironment = !lua_isnone(L, 4);
    if (luaL_loadbufferx(L, text, length, chunkName, "t") != LUA_OK) {
        luaL_pushfail(L);
        lua_insert(L, -2);
        return 2;
    }
    if (hasEnvironment) {
        lua_pushvalue(L, 4);
        if (lua_setupvalue(L, -2, 1) == nullptr) lua_pop(L, 1);
    }
    return 1;
}

// setmetatable() for the sandbox. A finalizer (__gc) runs with debug hooks off, outside the
// instruction budget, so a script must not be able to install one.
int SandboxSetMetatable(lua_State* L) {
    int type = lua_type(L, 2);
    luaL_checktype(L, 1, LUA_TTABLE);
    luaL_argexpected(L, type == LUA_TNIL || type == LUA_TTABLE, 2, "nil or table");
    if (luaL_getmetafield(L, 1, "__metatable") != LUA_TNIL) {
        return luaL_error(L, "cannot change a protected metatable");
    }
    if (type == LUA_TTABLE) {
        lua_pushliteral(L, "__gc");
        if (lua_rawget(L, 2) != LUA_TNIL) {
            return luaL_error(L, "finalizers (__gc) are not available to rule scripts");
        }
        lua_pop(L, 1);
    }
    lua_settop(L, 2);
    lua_setmetatable(L, 1);
    return 1;
}

// xpcall() for the sandbox: the handler runs after the failed call has unwound. Lua runs a
// message handler for an error raised in a debug hook with hooks still off, so with the library's
// xpcall a handler that loops would escape the instruction budget. No script can look at the
// stack without the debug library, so the handler sees nothing less this way.
int SandboxXpcall(lua_State* L) {
    int argumentCount = lua_gettop(L) - 2;
    luaL_checktype(L, 2, LUA_TFUNCTION);
    lua_pushboolean(L, 1);
    lua_pushvalue(L, 1);
    lua_rotate(L, 3, 2);  // f, handler, true, f, arguments...
    if (lua_pcall(L, argumentCount, LUA_MULTRET, 0) == LUA_OK) return lua_gettop(L) - 2;
    lua_pushvalue(L, 2);
    lua_insert(L, -2);
    lua_pcall(L, 1, 1, 0);  // the handler's result, or its own error
    lua_pushboolean(L, 0);
    lua_insert(L, -2);
    return 2;
}

// "Rule script error\n", "Line: N\n" and the message without its position: N is the line the
// position names (the line in the chunk where the error happened), 0 when there is none (a memory
// error, an error outside any Lua function).
std::string ErrorReport(const char* message) {
    std::string_view description = message != nullptr ? message : "unknown error";
    int line = 0;
    if (std::optional<Position> position = FindPosition(description)) {
        line = position->line;
        description.remove_prefix(position->textStart);
    }
    char lineText[32];
    std::snprintf(lineText, sizeof lineText, "Line: %d\n", line);
    return std::string(kErrorTitle) + lineText + std::string(description);
}

void IgnoreWarning(void* /*ud*/, const char* /*message*/, int /*toContinue*/) {}

#ifdef VEX_RULES_COVERAGE_FILE
// GCOVR_EXCL_START: the coverage build measures the model template's rule script, which gcov
// cannot see. The lines it ran are appended as "chunk:line" to the build's file when the program
// ends; scripts written for a test are left out, and so not slowed down.
class RuleScriptLines {
  public:
    static RuleScriptLines& Get() {
        static RuleScriptLines lines;
        return lines;
    }
    bool IsTemplateScript(std::string_view source) const { return source == m_templateScript; }
    void Add(const char* chunk, int line) {
        m_hits.insert(std::string(chunk) + ":" + std::to_string(line));
    }
    // In one unbuffered write, so that test programs ending together do not mix their lines.
    ~RuleScriptLines() {
        std::string all;
        for (const std::string& hit : m_hits) all += hit + '\n';
        std::ofstream out;
        out.rdbuf()->pubsetbuf(nullptr, 0);
        out.open(VEX_RULES_COVERAGE_FILE, std::ios::app);
        out << all;
    }

  private:
    RuleScriptLines() {
        std::ifstream in(VEX_SOURCE_DATA_DIR "/ProfileTemplate/DataProfile.lua", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        m_templateScript = text.str();
    }
    std::string m_templateScript;
    std::set<std::string> m_hits;
};
// GCOVR_EXCL_STOP
#endif

}  // namespace

struct ScriptHost::Impl {
    // Declared before the state: lua_close still uses the allocator's counters and nothing of
    // the binding, and the binding frees its nodes after the state is gone.
    DomBinding m_dom;
    ScriptErrorReporter m_reporter;
    lua_Alloc m_baseAlloc = nullptr;
    void* m_baseAllocData = nullptr;
    std::size_t m_memoryUsed = 0;
    std::uint64_t m_instructionLimit = kDefaultInstructionLimit;
    std::uint64_t m_budgetLeft = 0;
    int m_hookStep = 1;
    int m_statesCreated = 0;
    StatePtr m_state;

    static Impl& From(lua_State* L) { return **static_cast<Impl**>(lua_getextraspace(L)); }

    void Open();
    bool Run(lua_CFunction body, void* frame, const std::function<bool()>& accept = {});
    void ArmBudget();
    void SpendBudget();

    static void* Allocate(void* data, void* block, std::size_t oldSize, std::size_t newSize);
    static void CountHook(lua_State* L, lua_Debug* frame);
    static int OpenSandbox(lua_State* L);

    // The hook's events: instruction counts for the budget; in the coverage build, the lines of
    // the model template's script too.
    int HookMask() const {
#ifdef VEX_RULES_COVERAGE_FILE
        if (!m_templateChunk.empty()) return LUA_MASKCOUNT | LUA_MASKLINE;  // GCOVR_EXCL_LINE
#endif
        return LUA_MASKCOUNT;
    }

#ifdef VEX_RULES_COVERAGE_FILE
    std::string m_templateChunk;  // the chunk name of the model template's script, once loaded
#endif
};

void* ScriptHost::Impl::Allocate(void* data, void* block, std::size_t oldSize,
                                 std::size_t newSize) {
    auto* impl = static_cast<Impl*>(data);
    // Without a block, oldSize is a type tag, not a size.
    std::size_t held = block != nullptr ? oldSize : 0;
    if (newSize > held && (impl->m_memoryUsed >= kMemoryLimit ||
                           newSize - held > kMemoryLimit - impl->m_memoryUsed)) {
        return nullptr;  // Lua collects garbage and, failing that, raises a memory error
    }
    void* result = impl->m_baseAlloc(impl->m_baseAllocData, block, oldSize, newSize);
    if (result != nullptr || newSize == 0) {
        impl->m_memoryUsed = impl->m_memoryUsed - std::min(held, impl->m_memoryUsed) + newSize;
    }
    return result;
}

// Counts the budget down in steps of at most INT_MAX instructions. Once it is spent every further
// instruction raises the error again, so a pcall inside the script cannot carry on past it.
void ScriptHost::Impl::CountHook(lua_State* L, lua_Debug* frame) {
    Impl& impl = From(L);
#ifdef VEX_RULES_COVERAGE_FILE
    if (frame->event == LUA_HOOKLINE) {  // GCOVR_EXCL_START
        lua_getinfo(L, "S", frame);
        if (frame->short_src == impl.m_templateChunk) {
            RuleScriptLines::Get().Add(frame->short_src, frame->currentline);
        }
        return;
    }  // GCOVR_EXCL_STOP
#endif
    auto step = static_cast<std::uint64_t>(impl.m_hookStep);
    if (impl.m_budgetLeft > step) {
        impl.m_budgetLeft -= step;
        impl.m_hookStep = static_cast<int>(std::min<std::uint64_t>(impl.m_budgetLeft, INT_MAX));
        lua_sethook(L, CountHook, impl.HookMask(), impl.m_hookStep);
        return;
    }
    impl.SpendBudget();
    // Raised from the hook, so the running function's own line is the place (luaL_error would
    // name its caller's).
    lua_getinfo(L, "Sl", frame);
    lua_pushfstring(L, "%s:%d: the script ran too long (instruction limit reached)",
                    frame->short_src, frame->currentline);
    lua_error(L);
}

void ScriptHost::Impl::ArmBudget() {
    m_budgetLeft = m_instructionLimit;
    m_hookStep = static_cast<int>(std::clamp<std::uint64_t>(m_budgetLeft, 1, INT_MAX));
    lua_sethook(m_state.get(), CountHook, HookMask(), m_hookStep);
}

// Between calls the budget stays spent: no script code (a finalizer, say) runs unbudgeted.
void ScriptHost::Impl::SpendBudget() {
    m_budgetLeft = 0;
    m_hookStep = 1;
    lua_sethook(m_state.get(), CountHook, HookMask(), 1);
}

int ScriptHost::Impl::OpenSandbox(lua_State* L) {
    Impl& impl = *static_cast<Impl*>(lua_touserdata(L, 1));
    const luaL_Reg libraries[] = {
        {LUA_GNAME, luaopen_base},
        {LUA_STRLIBNAME, luaopen_string},
        {LUA_TABLIBNAME, luaopen_table},
        {LUA_MATHLIBNAME, luaopen_math},
    };
    for (const luaL_Reg& library : libraries) {
        luaL_requiref(L, library.name, library.func, 1);
        lua_pop(L, 1);
    }
    lua_pushglobaltable(L);
    for (const char* name : {"dofile", "loadfile", "require", "collectgarbage", "print", "warn"}) {
        lua_pushnil(L);
        lua_setfield(L, -2, name);
    }
    lua_pushcfunction(L, SandboxLoad);
    lua_setfield(L, -2, "load");
    lua_pushcfunction(L, SandboxSetMetatable);
    lua_setfield(L, -2, "setmetatable");
    lua_pushcfunction(L, SandboxXpcall);
    lua_setfield(L, -2, "xpcall");
    lua_pop(L, 1);
    DomBinding::Register(L, &impl.m_dom);
    return 0;
}

void ScriptHost::Impl::Open() {
    StatePtr state(luaL_newstate());
    if (!state) throw std::bad_alloc();
    ++m_statesCreated;
    lua_State* L = state.get();
    *static_cast<Impl**>(lua_getextraspace(L)) = this;
    lua_setwarnf(L, IgnoreWarning, nullptr);
    lua_pushcfunction(L, OpenSandbox);
    lua_pushlightuserdata(L, this);
    if (lua_pcall(L, 1, 0, 0) != LUA_OK) throw std::bad_alloc();  // only memory can fail here
    lua_settop(L, 0);
    m_baseAlloc = lua_getallocf(L, &m_baseAllocData);
    m_memoryUsed = static_cast<std::size_t>(lua_gc(L, LUA_GCCOUNT, 0)) * 1024 +
                   static_cast<std::size_t>(lua_gc(L, LUA_GCCOUNTB, 0));
    lua_setallocf(L, Allocate, this);
    m_state = std::move(state);
    SpendBudget();
}

// Runs body(frame) as a protected call with a fresh budget. Everything that touches the state
// during a call, from pushing the arguments to reading the results, runs inside it, so a script
// error, a memory error or a binding's error always comes back here instead of ending the program.
// A failed call, or one whose results `accept` refuses, leaves the document as it found it.
bool ScriptHost::Impl::Run(lua_CFunction body, void* frame, const std::function<bool()>& accept) {
    lua_State* L = m_state.get();
    lua_settop(L, 0);
    ArmBudget();
    lua_pushcfunction(L, MessageHandler);
    lua_pushcfunction(L, body);
    lua_pushlightuserdata(L, frame);
    int status = lua_pcall(L, 1, 0, 1);
    bool accepted = false;

    std::string text;
    {
        // Whatever happens below, the call ends here: its changes are kept or undone, its nodes go
        // stale and its detached nodes are set aside before the reporter (or the caller) sees the
        // document again.
        struct EndOfCall {
            Impl& impl;
            const bool& keep;
            ~EndOfCall() {
                lua_settop(impl.m_state.get(), 0);
                impl.SpendBudget();
                impl.m_dom.EndCall(keep);
            }
        } endOfCall{*this, accepted};
        if (status != LUA_OK) {
            text = ErrorReport(lua_tostring(L, -1));
        } else {
            accepted = !accept || accept();
        }
    }
    if (status != LUA_OK && m_reporter) m_reporter(text);
    return accepted;
}

namespace {

struct LoadFrame {
    std::string_view source;
    std::string chunkName;
};

int LoadBody(lua_State* L) {
    const auto& frame = *static_cast<const LoadFrame*>(lua_touserdata(L, 1));
    if (luaL_loadbufferx(L, frame.source.data(), frame.source.size(), frame.chunkName.c_str(),
                         "t") != LUA_OK) {
        return lua_error(L);
    }
    lua_call(L, 0, 0);
    return 0;
}

struct CallFrame {
    DomBinding* dom;
    std::string_view name;
    std::span<const ScriptValue> arguments;
    int resultCount;
    std::vector<ScriptValue>* results;
    bool found = false;
};

// Pushes the global function `name` (raw access: a script's metatable on _G is not consulted);
// false, with nothing pushed, when it is not a function.
bool PushFunction(lua_State* L, std::string_view name) {
    lua_pushglobaltable(L);
    lua_pushlstring(L, name.data(), name.size());
    if (lua_rawget(L, -2) != LUA_TFUNCTION) {
        lua_pop(L, 2);
        return false;
    }
    lua_remove(L, -2);
    return true;
}

void PushValue(lua_State* L, DomBinding& dom, const ScriptValue& value) {
    switch (value.index()) {
        case 0:
            lua_pushnil(L);
            break;
        case 1:
            lua_pushboolean(L, std::get<bool>(value) ? 1 : 0);
            break;
        case 2:
            lua_pushinteger(L, std::get<std::int64_t>(value));
            break;
        case 3:
            lua_pushnumber(L, std::get<double>(value));
            break;
        case 4: {
            const std::string& text = std::get<std::string>(value);
            lua_pushlstring(L, text.data(), text.size());
            break;
        }
        default:
            dom.PushNode(L, std::get<xmlNode*>(value));
            break;
    }
}

ScriptValue ToValue(lua_State* L, DomBinding& dom, int index, std::string_view hook) {
    switch (lua_type(L, index)) {
        case LUA_TBOOLEAN:
            return lua_toboolean(L, index) != 0;
        case LUA_TNUMBER:
            if (lua_isinteger(L, index)) return std::int64_t{lua_tointeger(L, index)};
            return double{lua_tonumber(L, index)};
        case LUA_TSTRING: {
            std::size_t length = 0;
            const char* text = lua_tolstring(L, index, &length);
            return std::string(text, length);
        }
        case LUA_TUSERDATA: {
            xmlNode* node = dom.ToNode(L, index);
            if (node == nullptr) return std::monostate{};
            // Nodes outside the tree are freed when the call ends: the caller must never get one.
            // Returning one is a mistake in the script (a new child never inserted), so it fails
            // the call rather than pass for "no node".
            if (!dom.IsInDocument(node)) {
                luaL_error(L, "%s returned a node that is not in the document (%s)",
                           std::string(hook).c_str(), xml::Chars(node->name));
            }
            return node;
        }
        default:
            return std::monostate{};
    }
}

int CallBody(lua_State* L) {
    auto& frame = *static_cast<CallFrame*>(lua_touserdata(L, 1));
    lua_settop(L, 0);
    if (!PushFunction(L, frame.name)) return 0;
    frame.found = true;
    if (frame.arguments.size() > kMaxValues || frame.resultCount > static_cast<int>(kMaxValues)) {
        return luaL_error(L, "too many arguments or results");
    }
    auto argumentCount = static_cast<int>(frame.arguments.size());
    luaL_checkstack(L, argumentCount + frame.resultCount + LUA_MINSTACK, "too many values");
    for (const ScriptValue& argument : frame.arguments) PushValue(L, *frame.dom, argument);
    lua_call(L, argumentCount, frame.resultCount);

    char failure[200] = "";
    try {
        frame.results->clear();
        frame.results->reserve(static_cast<std::size_t>(frame.resultCount));
        for (int i = 1; i <= frame.resultCount; ++i) {
            frame.results->push_back(ToValue(L, *frame.dom, i, frame.name));
        }
        return 0;
    } catch (const std::exception& e) {  // Lua's own errors are no std::exception: they pass
        std::snprintf(failure, sizeof failure, "%s", e.what());
    }
    return luaL_error(L, "%s", failure);
}

int HasFunctionBody(lua_State* L) {
    auto name = *static_cast<const std::string_view*>(lua_touserdata(L, 1));
    bool found = PushFunction(L, name);
    lua_pushboolean(L, found ? 1 : 0);
    return 1;
}

}  // namespace

ScriptHost::ScriptHost(ScriptErrorReporter reporter) : m_impl(std::make_unique<Impl>()) {
    m_impl->m_reporter = std::move(reporter);
    m_impl->Open();
}

ScriptHost::~ScriptHost() = default;

bool ScriptHost::Load(std::string_view source, std::string_view chunkName) {
    // "=" makes Lua show the name as it is in messages ("DataProfile.lua:12: ...").
    LoadFrame frame{source, "=" + std::string(chunkName)};
#ifdef VEX_RULES_COVERAGE_FILE
    const bool measured = RuleScriptLines::Get().IsTemplateScript(source);  // GCOVR_EXCL_LINE
    m_impl->m_templateChunk = measured ? std::string(chunkName) : "";       // GCOVR_EXCL_LINE
#endif
    return m_impl->Run(LoadBody, &frame);
}

void ScriptHost::BeginDocument(xmlDoc* document) {
    m_impl->m_dom.BeginDocument(document);
}

bool ScriptHost::HasFunction(std::string_view name) const {
    lua_State* L = m_impl->m_state.get();
    lua_settop(L, 0);
    lua_pushcfunction(L, HasFunctionBody);
    lua_pushlightuserdata(L, &name);
    bool found = lua_pcall(L, 1, 1, 0) == LUA_OK && lua_toboolean(L, -1) != 0;
    lua_settop(L, 0);
    return found;
}

bool ScriptHost::Call(std::string_view name, std::span<const ScriptValue> arguments,
                      int resultCount, std::vector<ScriptValue>& results,
                      const std::function<bool(const std::vector<ScriptValue>&)>& accept) {
    results.clear();
    resultCount = std::max(resultCount, 0);
    CallFrame frame{&m_impl->m_dom, name, arguments, resultCount, &results};
    bool ok =
        m_impl->Run(CallBody, &frame, [&] { return !frame.found || !accept || accept(results); });
    if (!ok || !frame.found) {
        results.clear();
        return false;
    }
    return true;
}

void ScriptHost::SetInstructionLimit(std::uint64_t instructions) {
    m_impl->m_instructionLimit = instructions;
}

int ScriptHost::StatesCreated() const {
    return m_impl->m_statesCreated;
}

}  // namespace vex

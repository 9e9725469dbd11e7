#pragma once

// The rule-script host: one sandboxed Lua 5.4 state that runs the model template's rules.
//
// The rules are plain Lua functions that the schema names as hooks (SetVal, CanAddChild, OnAddNew,
// OnDelete, IsEnabled). The host calls them by name with profile nodes and plain values and takes
// their results back; a node reaches Lua as a userdata with a small DOM API (see dom_binding.h and
// data/ProfileTemplate/README.md).
//
// Sandbox: only the base, string, table and math libraries; no io, os, package, debug, coroutine,
// dofile, loadfile, require, collectgarbage, print or warn; load() takes text chunks only;
// setmetatable() refuses finalizers (__gc), which Lua runs with hooks off; xpcall() runs its
// handler after the failed call has unwound, since Lua runs a handler for an error raised by the
// budget with hooks still off. An instruction budget per call stops a runaway hook with an error,
// and keeps failing every further instruction once spent, so a script's own pcall cannot swallow
// the stop. The state's memory is capped (64 MiB). Code inside C
// functions is not counted: a backtracking string pattern on long text can still run for seconds.
//
// Errors (compile or run time) are told to the reporter as one text -- "Rule script error\n",
// "Line: %d\n", then the error's description -- and the call fails; the caller raises its own
// exception. The line is the one Lua's message names (the line of the rule script where the error
// happened, or of the innermost running script line when the error value carried none), 0 when
// there is none (a memory error); the description is Lua's message without its "chunk:line: "
// prefix. Lua is built as C++ here, so a Lua error unwinds C++ frames with their destructors; no
// C++ exception ever crosses into Lua.
//
// Used by one thread only (the thread that owns the profile documents).

#include <libxml/tree.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vex {

// A value passed to a hook or returned by one. A node is an element or attribute of the document
// the host currently serves (see BeginDocument).
using ScriptValue = std::variant<std::monostate, bool, std::int64_t, double, std::string, xmlNode*>;

using ScriptErrorReporter = std::function<void(const std::string& text)>;

class ScriptHost {
  public:
    explicit ScriptHost(ScriptErrorReporter reporter = {});
    ~ScriptHost();

    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // Compiles and runs the script's main chunk (which defines the hook functions) with one call's
    // instruction budget. False on an error, which has been reported. A second Load runs in the
    // same state and globals: functions it defines replace those of the same name.
    bool Load(std::string_view source, std::string_view chunkName);

    // The document that hooks work on from now on: nodes handed out before belong to an older
    // document and are refused if a script kept one. XPath queries from the script bind "dfns" to
    // the profile namespace.
    void BeginDocument(xmlDoc* document);

    bool HasFunction(std::string_view name) const;

    // Calls the global function `name` with `arguments` and returns `resultCount` results (missing
    // ones are std::monostate). False when there is no such function (not reported) or the call
    // failed (reported). Results convert as nil -> monostate, boolean, integer -> int64_t, float ->
    // double, string, node -> xmlNode*; anything else (a table, a function) -> monostate. A node
    // result must be in the document's tree (a node the script removed, or created and never
    // inserted, fails the call) and from this call. Node arguments must belong to the current
    // document.
    // Nodes the script created and left outside the tree are freed when the call ends, nodes it
    // removed are kept outside the tree until the next document; a node a script kept from an
    // earlier call is refused with an error.
    // A call is all or nothing: when it fails, or `accept` (given the results before the call ends)
    // returns false, every change the script made to the document is undone. A refusal by
    // `accept` is the caller's failure, not reported as a script error.
    bool Call(std::string_view name, std::span<const ScriptValue> arguments, int resultCount,
              std::vector<ScriptValue>& results,
              const std::function<bool(const std::vector<ScriptValue>&)>& accept = {});

    // Instructions one call may run before it is stopped (default 10 million).
    void SetInstructionLimit(std::uint64_t instructions);

    // How many Lua states this host has made: always 1; tests check that a reload reuses it.
    int StatesCreated() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace vex

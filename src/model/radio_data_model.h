#pragma once

// CRadioDataModel: one loaded profile, with the schema that types it and the rule script that
// decides what may change in it. Each open profile document embeds one model; everything else
// reaches the profile through RootItem() (see data_item.h).
//
// The model template is a folder (data/ProfileTemplate in the source tree, ProfileTemplate under
// the installation folder) holding:
//   DataProfile.xsd  the schema (target namespace ProfileNamespaceUri, hook annotations)
//   DataProfile.lua  the rule script, plain when it begins with kRuleScriptFileStart (compared
//                    without regard to case), else scrambled
//   *.lam            default profiles
// Every text file may be stored plain or scrambled (model/profile_text.h).
//
// Failures raise CVEXPRGException with the function names "CRadioDataModel::Initialize",
// "CRadioDataModel::LoadProfile" and "CRadioDataModel::ValidateProfile":
//   101    the rule script cannot be read, or does not compile and run (the script host has told
//          the reporter why)
//   102    the schema cannot be read or does not compile (the detail names the file)
//   105    the profile cannot be read, does not parse (a DOCTYPE is refused), or breaks the schema:
//          detail "File='%s'\nDesc: %s" with the path (or the start of the text) and the reasons
//   10156  the profile's clone_compatibility_version is not the supported one (empty detail)
//
// One thread only: the thread that owns the profile documents.

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/data_item.h"
#include "model/script_host.h"

namespace vex {

// The first line of a plain rule script.
inline constexpr std::string_view kRuleScriptFileStart = "-- VEX480 PRG rule script";

// The only compatibility version a profile may carry.
inline constexpr std::string_view kSupportedCloneCompatibilityVersion = "10";

// Message id of an unsupported compatibility version.
inline constexpr int kUnsupportedRadioModel = 10156;

class CRadioDataModel {
  public:
    // `templateFolder` holds DataProfile.xsd and DataProfile.lua; `reporter` is told about every
    // rule-script error (the caller then sees the operation's own exception).
    CRadioDataModel(std::string templateFolder, ScriptErrorReporter reporter);
    // Releases the root item, the script host and the document, in that order; items still held
    // elsewhere become stale.
    ~CRadioDataModel();

    CRadioDataModel(const CRadioDataModel&) = delete;
    CRadioDataModel& operator=(const CRadioDataModel&) = delete;

    // Reads DataProfile.lua and runs it in the model's one script host, which is created on the
    // first call and kept for every later load. Returns 1. Called by LoadProfile when needed;
    // after a failure (101) the next LoadProfile tries again with the same host.
    std::int32_t Initialize();

    // Loads a profile: with `isPath` the file at `source` (plain when it begins with "<?xml",
    // else scrambled), otherwise `source` is the profile text itself. The schema is read and
    // compiled afresh, the text checked by ValidateProfile, parsed and validated. On success the
    // document replaces the previous one (older items become stale), the script host serves it,
    // RootItem() wraps its document element, and 1 is returned. On failure the previous
    // document, if any, stays loaded. A failure's detail names the source by `name` when it is
    // given (the file a text was read from), else by the path or the start of the text.
    std::int32_t LoadProfile(const std::string& source, bool isPath, const std::string& name = {});

    // Runs every check of LoadProfile on the profile text `text` (read from the file `name`)
    // without loading it: raises what LoadProfile would raise, with the text's own line numbers.
    void CheckProfile(const std::string& text, const std::string& name);

    // Checks the compatibility version in profile text: the characters between the first
    // `clone_compatibility_version="` and the next double quote must be exactly "10". Returns 0
    // when the text has no such attribute, 1 when it matches; raises 10156 otherwise.
    std::int32_t ValidateProfile(std::string_view text);

    // The document element of the loaded profile; an empty item before the first load.
    const CDataItem& RootItem() const noexcept { return m_rootItem; }

    // The loaded document (owned by the model); null before the first load.
    xmlDoc* Document() const noexcept;

    // The live document as UTF-8 text with an XML declaration; empty before the first load.
    std::string Serialise() const;

    // The script host; null before Initialize. For tests and diagnostics.
    const ScriptHost* Script() const noexcept;

  private:
    // A profile that passed every check, with the schema it passed.
    struct Checked {
        xml::DocPtr doc;
        xml::XPathContextPtr context;
        std::shared_ptr<const ProfileSchema> schema;
    };
    Checked Check(const std::string& source, bool isPath, const std::string& name);

    std::string m_templateFolder;
    ScriptErrorReporter m_reporter;
    std::shared_ptr<ProfileModelState> m_state;
    bool m_bInitialized = false;
    CDataItem m_rootItem;
};

}  // namespace vex

#pragma once

// ProfileDocument: one profile as the user works on it, shared by the desktop application and the
// command-line tool. It owns the profile's CRadioDataModel, reads and writes profile files
// (".lam"), builds new profiles from a model template or from a codeplug image read out of a
// radio, and hands the profile to the radio link as a codeplug image.
//
// Profile files hold the serialised profile document, scrambled as a whole (model/profile_text.h)
// when written; a file that begins with "<?xml" is read plain, any other is unscrambled first.
// Every text is passed through SortProfileLists after it is read from a file or built from an
// image, and before it is saved or turned into an image, so that the lists on disk and in the
// radio are in ascending order of their keys.
//
// Failures raise CVEXPRGException (message id and context lines; common/exception.h):
//   - the model's failures while loading (101, 102, 105, 10156; model/radio_data_model.h) pass out
//     as they are;
//   - a file that cannot be read raises 105 with detail "File='%s'\nDesc: %s";
//   - a file that cannot be written raises kSaveFailedMessage with the same detail, naming the
//     system's reason;
//   - conversions to and from a codeplug image gain a context line of the document
//     ("CVEXPRGDoc::GetVirtualCPData" / "CVEXPRGDoc::SetVirtualCPData").
// A failed load leaves the previously loaded profile, the title and the flags as they were.
//
// One thread only: the thread that owns the documents (the model's rule script is not shared).

#include <cstdint>
#include <string>
#include <vector>

#include "codeplug/virtual_cp.h"
#include "common/strings.h"
#include "model/radio_data_model.h"
#include "model/script_host.h"

namespace vex {

// The message id of a failed save: the string table has no text of its own for it, so the user is
// shown "Unknown Error" and the context names the file and the system's reason.
inline constexpr int kSaveFailedMessage = ids::kUnknownError;

// The model template folder's name under the installation folder.
inline constexpr const char* kTemplateFolderName = "ProfileTemplate";

// The extension of profile files, model templates included.
inline constexpr const char* kProfileExtension = ".lam";

class ProfileDocument {
  public:
    // A document without a profile, on the model template in `templateFolder` (the folder that
    // holds DataProfile.xsd and DataProfile.lua). `reporter` is told about every rule-script error.
    // The use-PC-clock flag starts set; the document is not modified and has an empty title.
    explicit ProfileDocument(std::string templateFolder, ScriptErrorReporter reporter = {});

    ProfileDocument(const ProfileDocument&) = delete;
    ProfileDocument& operator=(const ProfileDocument&) = delete;

    // Opens the profile file at `path`. On success the title is the file's name (without its
    // folder) and the document is not modified. A profile that does not load is reported with
    // the path and with the line numbers of the file's own text.
    void Open(const std::string& path);

    // Writes the live profile to `path`: serialised, lists sorted, scrambled, and written through
    // a temporary file in the same folder, so that a failed save never destroys the previous file.
    // On success the title becomes the file's name and the document is no longer modified; on
    // failure (kSaveFailedMessage, or 106 when no profile is loaded) nothing changes.
    void Save(const std::string& path);

    // Loads the model template file at `templatePath` (a "<model>.lam" of the template folder).
    // The title is emptied (the application shows its own name for an untitled document) and the
    // document is not modified.
    void NewFromTemplate(const std::string& templatePath);

    // Builds the profile from an image read out of a radio. The title is the pid of the profile's
    // limit (the radio's private ID) and the document is modified.
    void NewFromImage(const VirtualCP& image);

    // Replaces the profile by an image read out of a radio; the document becomes modified. Returns
    // true (the model's load result); a failure raises, with the context line
    // "CVEXPRGDoc::SetVirtualCPData" 221 "Exception Catched" added.
    bool SetVirtualCPData(const VirtualCP& image);

    // Fills `image` (a freshly constructed one) from the profile, for writing it into a radio.
    // The live profile keeps its order; only the converted text is sorted. A failure raises, with
    // the context line "CVEXPRGDoc::GetVirtualCPData" 189 "Exception Caught" added.
    void GetVirtualCPData(VirtualCP& image) const;

    // The live profile as plain text with its lists sorted: what Save writes before scrambling.
    // 106 when no profile is loaded.
    std::string ProfileText() const;

    // The same text one element a line, for people to read and edit (the lines that a later
    // load's failures name are then lines of this text). 106 when no profile is loaded.
    std::string ReadableProfileText() const;

    const std::string& Title() const noexcept { return m_strTitle; }
    void SetTitle(std::string title) { m_strTitle = std::move(title); }

    bool IsModified() const noexcept { return m_bModified; }
    void SetModifiedFlag(bool modified = true) noexcept { m_bModified = modified; }

    // While set, a radio write takes the radio's current_time from the computer's clock
    // (model/radio_clock.h). Not part of the profile and never saved.
    bool UsePCClock() const noexcept { return m_bUsePCClock; }
    void SetUsePCClock(bool use) noexcept { m_bUsePCClock = use; }

    // True once a profile has been loaded.
    bool HasProfile() const noexcept { return m_model.Document() != nullptr; }

    CRadioDataModel& Model() noexcept { return m_model; }
    const CRadioDataModel& Model() const noexcept { return m_model; }

    const std::string& TemplateFolder() const noexcept { return m_strTemplateFolder; }

  private:
    // Sorts `text`, loads it into the model; the result of the load. Failures name the text by
    // `name` when it is given.
    bool LoadText(std::string text, const std::string& name = {});

    std::string m_strTemplateFolder;
    CRadioDataModel m_model;
    std::string m_strTitle;
    bool m_bModified = false;
    bool m_bUsePCClock = true;
};

// The model names of the template folder `folder`: the names of its "*.lam" files (the extension
// matched exactly) without the extension, sorted. Folders, whatever their name, and a file named
// just ".lam" are skipped; a missing or unreadable folder gives an empty list.
std::vector<std::string> ListTemplateModels(const std::string& folder);

// "<folder>/<model>.lam".
std::string TemplateModelPath(const std::string& folder, const std::string& model);

}  // namespace vex

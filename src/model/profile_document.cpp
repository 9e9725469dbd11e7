#include "model/profile_document.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <variant>

#include "codeplug/data_adaptor.h"
#include "common/exception.h"
#include "common/file_io.h"
#include "common/xml.h"
#include "model/data_item.h"
#include "model/profile_text.h"

namespace vex {

namespace {

// The context lines that conversions to and from an image add on their way out.
constexpr const char* kGetVirtualCPDataFunction = "CVEXPRGDoc::GetVirtualCPData";
constexpr int kGetVirtualCPDataLine = 189;
constexpr const char* kSetVirtualCPDataFunction = "CVEXPRGDoc::SetVirtualCPData";
constexpr int kSetVirtualCPDataLine = 221;

std::string FileDetail(const std::string& path, const std::string& reason) {
    return "File='" + path + "'\nDesc: " + reason;
}

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string TextOf(const AttributeValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return v;
            } else if constexpr (std::is_same_v<T, bool>) {
                return v ? "1" : "0";
            } else {
                return std::to_string(v);
            }
        },
        value);
}

}  // namespace

ProfileDocument::ProfileDocument(std::string templateFolder, ScriptErrorReporter reporter)
    : m_strTemplateFolder(std::move(templateFolder)),
      m_model(m_strTemplateFolder, std::move(reporter)) {}

bool ProfileDocument::LoadText(std::string text, const std::string& name) {
    SortProfileLists(text);
    return m_model.LoadProfile(text, false, name) == 1;
}

void ProfileDocument::Open(const std::string& path) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, error, kMaxProfileTextSize)) {
        throw CVEXPRGException(ids::kInvalidProfile, "CVEXPRGDoc::Serialize", __LINE__,
                               FileDetail(path, error));
    }
    UnscrambleUnlessBeginsWith(text, kXmlFileStart);
    // Sorting re-serialises the text on one line, so the reasons of a profile that does not load
    // would all say "Line 2". The file's own text, checked as it is, tells where. A sort that
    // refuses the text with a reason of its own (a list longer than the radio holds) keeps it.
    std::string sorted = text;
    try {
        SortProfileLists(sorted);
    } catch (const CVEXPRGException& e) {
        if (e.MessageId() == ids::kUnknownError) m_model.CheckProfile(text, path);
        throw;
    }
    try {
        if (m_model.LoadProfile(sorted, false, path) != 1) return;
    } catch (const CVEXPRGException& e) {
        if (e.MessageId() == ids::kInvalidProfile || e.MessageId() == ids::kUnknownError) {
            m_model.CheckProfile(text, path);
        }
        throw;
    }
    m_strTitle = FileNameOf(path);
    m_bModified = false;
}

std::string ProfileDocument::ProfileText() const {
    if (!HasProfile()) {
        throw CVEXPRGException(ids::kUnknownError, "CVEXPRGDoc::Serialize", __LINE__,
                               "No profile loaded");
    }
    std::string text = m_model.Serialise();
    SortProfileLists(text);
    return text;
}

std::string ProfileDocument::ReadableProfileText() const {
    const xml::ParseResult parsed = xml::ParseUntrusted(ProfileText());
    if (!parsed.doc) {
        throw CVEXPRGException(ids::kInvalidProfile, "CVEXPRGDoc::Serialize", __LINE__,
                               parsed.reason);
    }
    return xml::SerialiseIndented(parsed.doc.get());
}

void ProfileDocument::Save(const std::string& path) {
    std::string text = ProfileText();
    Scramble(text);
    std::string error;
    if (!WriteFileAtomically(path, text, error)) {
        throw CVEXPRGException(kSaveFailedMessage, "CVEXPRGDoc::Serialize", __LINE__,
                               FileDetail(path, error));
    }
    m_strTitle = FileNameOf(path);
    m_bModified = false;
}

void ProfileDocument::NewFromTemplate(const std::string& templatePath) {
    if (m_model.LoadProfile(templatePath, true) != 1) return;
    m_strTitle.clear();
    m_bModified = false;
}

void ProfileDocument::NewFromImage(const VirtualCP& image) {
    std::string text;
    CDataAdaptor::VirtualCP2XML(image, text);
    if (!LoadText(std::move(text))) return;
    m_bModified = true;
    m_strTitle = TextOf(m_model.RootItem().GetChildByName("limit").GetAttributeValue("pid"));
}

bool ProfileDocument::SetVirtualCPData(const VirtualCP& image) {
    try {
        std::string text;
        if (CDataAdaptor::VirtualCP2XML(image, text) != 1) return false;
        if (!LoadText(std::move(text))) return false;
    } catch (CVEXPRGException& e) {
        e.AddContext(kSetVirtualCPDataFunction, kSetVirtualCPDataLine, "Exception Catched");
        throw;
    }
    m_bModified = true;
    return true;
}

void ProfileDocument::GetVirtualCPData(VirtualCP& image) const {
    try {
        const std::string text = ProfileText();
        CDataAdaptor::XML2VirtualCP(text, image);
    } catch (CVEXPRGException& e) {
        e.AddContext(kGetVirtualCPDataFunction, kGetVirtualCPDataLine, "Exception Caught");
        throw;
    }
}

std::vector<std::string> ListTemplateModels(const std::string& folder) {
    namespace fs = std::filesystem;
    const std::string extension = kProfileExtension;
    std::vector<std::string> models;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) return models;
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error) break;
        const std::string name = it->path().filename().string();
        if (name.size() <= extension.size() ||
            name.compare(name.size() - extension.size(), extension.size(), extension) != 0) {
            continue;
        }
        std::error_code typeError;
        if (it->is_directory(typeError) || typeError) continue;  // a link to a folder too
        models.push_back(name.substr(0, name.size() - extension.size()));
    }
    std::sort(models.begin(), models.end());
    return models;
}

std::string TemplateModelPath(const std::string& folder, const std::string& model) {
    return folder + "/" + model + kProfileExtension;
}

}  // namespace vex

#include "model/radio_data_model.h"

#include "common/exception.h"
#include "common/file_io.h"
#include "common/namespaces.h"
#include "common/strings.h"
#include "common/xml.h"
#include "model/profile_schema.h"
#include "model/profile_text.h"

namespace vex {

namespace {

constexpr const char* kSchemaFile = "DataProfile.xsd";
constexpr const char* kScriptFile = "DataProfile.lua";

// A profile given as text is echoed in the failure detail only this far: a whole profile (or a
// hostile 10 MB text) would make the message useless.
constexpr std::size_t kEchoedTextLimit = 256;

std::string Echo(const std::string& source, bool isPath) {
    if (isPath || source.size() <= kEchoedTextLimit) return source;
    std::size_t end = kEchoedTextLimit;
    // Never cut a UTF-8 sequence in two.
    while (end > 0 && (static_cast<unsigned char>(source[end]) & 0xC0) == 0x80) --end;
    return source.substr(0, end) + "...";
}

std::string FileDetail(const std::string& file, const std::string& description) {
    return "File='" + file + "'\nDesc: " + description;
}

}  // namespace

CRadioDataModel::CRadioDataModel(std::string templateFolder, ScriptErrorReporter reporter)
    : m_templateFolder(std::move(templateFolder)),
      m_reporter(std::move(reporter)),
      m_state(std::make_shared<ProfileModelState>()) {}

CRadioDataModel::~CRadioDataModel() {
    m_rootItem = CDataItem();
    m_state->Close();
}

std::int32_t CRadioDataModel::Initialize() {
    constexpr const char* kFunction = "CRadioDataModel::Initialize";
    if (!m_state->script) m_state->script = std::make_unique<ScriptHost>(m_reporter);

    const std::string path = m_templateFolder + "/" + kScriptFile;
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, error)) {
        throw CVEXPRGException(ids::kFatalError101, kFunction, __LINE__,
                               std::string("read ") + kScriptFile + " failed: " + error);
    }
    UnscrambleUnlessBeginsWith(text, kRuleScriptFileStart);
    if (!m_state->script->Load(text, kScriptFile)) {
        throw CVEXPRGException(ids::kFatalError101, kFunction, __LINE__,
                               std::string("run ") + kScriptFile +
                                   " failed: the rule script does not compile or stops with an "
                                   "error");
    }
    m_bInitialized = true;
    return 1;
}

std::int32_t CRadioDataModel::LoadProfile(const std::string& source, bool isPath,
                                          const std::string& name) {
    if (!m_bInitialized && Initialize() == 0) return 0;
    Checked checked = Check(source, isPath, name);

    // Commit.
    xmlNode* root = xmlDocGetRootElement(checked.doc.get());
    m_state->script->BeginDocument(checked.doc.get());
    m_state->ReplaceDocument(std::move(checked.doc), std::move(checked.context),
                             std::move(checked.schema));
    m_rootItem = CDataItem(m_state, root);
    return 1;
}

void CRadioDataModel::CheckProfile(const std::string& text, const std::string& name) {
    Check(text, false, name);
}

CRadioDataModel::Checked CRadioDataModel::Check(const std::string& source, bool isPath,
                                                const std::string& name) {
    constexpr const char* kFunction = "CRadioDataModel::LoadProfile";

    // The schema, afresh for every load; the previous one goes with the previous document.
    const std::string schemaPath = m_templateFolder + "/" + kSchemaFile;
    std::string schemaText;
    std::string error;
    if (!ReadWholeFile(schemaPath, schemaText, error)) {
        throw CVEXPRGException(
            ids::kFatalError102, kFunction, __LINE__,
            std::string("read ") + kSchemaFile + " failed\n" + FileDetail(schemaPath, error));
    }
    UnscrambleUnlessBeginsWith(schemaText, kXmlFileStart);
    Checked checked;
    checked.schema = ProfileSchema::Compile(schemaText, error);
    if (!checked.schema) {
        throw CVEXPRGException(
            ids::kFatalError102, kFunction, __LINE__,
            std::string("compile ") + kSchemaFile + " failed\n" + FileDetail(schemaPath, error));
    }

    const std::string shown = name.empty() ? Echo(source, isPath) : name;
    std::string text;
    if (isPath) {
        if (!ReadWholeFile(source, text, error, kMaxProfileTextSize)) {
            throw CVEXPRGException(ids::kInvalidProfile, kFunction, __LINE__,
                                   FileDetail(shown, error));
        }
        UnscrambleUnlessBeginsWith(text, kXmlFileStart);
    } else {
        if (source.size() > kMaxProfileTextSize) {
            throw CVEXPRGException(ids::kInvalidProfile, kFunction, __LINE__,
                                   FileDetail(shown, ProfileTooLargeReason(source.size())));
        }
        text = source;
    }

    ValidateProfile(text);

    xml::ParseResult parsed = xml::ParseUntrusted(text, kMaxProfileNodes);
    if (!parsed.doc) {
        throw CVEXPRGException(ids::kInvalidProfile, kFunction, __LINE__,
                               FileDetail(shown, parsed.reason));
    }
    if (!checked.schema->Validate(parsed.doc.get(), error)) {
        throw CVEXPRGException(ids::kInvalidProfile, kFunction, __LINE__, FileDetail(shown, error));
    }

    // The text check above looks at the first occurrence of the attribute's text, which a comment,
    // another attribute or different quoting can hide; the parsed attribute decides as well.
    checked.context = xml::MakeXPathContext(parsed.doc.get(), ProfilePrefix, ProfileNamespaceUri);
    std::string version;
    if (xml::GetAttribute(xml::SelectFirst(checked.context.get(), "/dfns:VEXProfile/dfns:limit"),
                          "clone_compatibility_version", version) &&
        version != kSupportedCloneCompatibilityVersion) {
        throw CVEXPRGException(kUnsupportedRadioModel, kFunction, __LINE__, "");
    }
    checked.doc = std::move(parsed.doc);
    return checked;
}

std::int32_t CRadioDataModel::ValidateProfile(std::string_view text) {
    constexpr std::string_view kAttribute = "clone_compatibility_version=\"";
    const std::size_t at = text.find(kAttribute);
    if (at == std::string_view::npos) return 0;
    const std::size_t start = at + kAttribute.size();
    const std::size_t end = text.find('"', start);
    const std::string_view value =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (value != kSupportedCloneCompatibilityVersion) {
        throw CVEXPRGException(kUnsupportedRadioModel, "CRadioDataModel::ValidateProfile", __LINE__,
                               "");
    }
    return 1;
}

xmlDoc* CRadioDataModel::Document() const noexcept {
    return m_state->document.get();
}

std::string CRadioDataModel::Serialise() const {
    return m_state->document ? xml::Serialise(m_state->document.get()) : std::string();
}

const ScriptHost* CRadioDataModel::Script() const noexcept {
    return m_state->script.get();
}

}  // namespace vex

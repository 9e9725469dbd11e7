#pragma once

// HTML reports of a profile, built from the report templates of the installation.
//
// A template is an HTML page with the marker "<!-- report content begin -->"; before the marker it
// may hold the placeholders REPORT_TITLE and MODEL_PIC, which are replaced there (every
// occurrence) and nowhere else. The generated content goes right behind the marker. Every value
// taken from the profile or from the dealer texts is HTML-escaped; labels from the string table
// are not.
//
// All profile data is read through data items. Failures raise CVEXPRGException 101: a template
// that cannot be read ("Open template file failed", "CReportOptionDlg::LoadReportTemplate") or a
// page that cannot be written ("Open script file failed", "CReportOptionDlg::SaveReport"); a page
// is written atomically, so a failed write leaves no partial page.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/dealer_texts.h"
#include "model/data_item.h"

namespace vex {

inline constexpr std::string_view kReportMarker = "<!-- report content begin -->";
inline constexpr std::string_view kReportFolder = "Report";
inline constexpr std::string_view kSpecTemplate = "SpecReport.tpl";
inline constexpr std::string_view kSpecOutput = "SpecReport.htm";
inline constexpr std::string_view kOverviewTemplate = "OverviewReport.tpl";
inline constexpr std::string_view kOverviewOutput = "OverviewReport.htm";

enum class ReportKind { RadioSpecific, Overview };

// True when the profile's Privates list holds a private whose pid is the radio's own ID (the
// limit's pid), compared as exact text: only then can the radio-specific report be made.
bool HasOwnEntry(const CDataItem& root);

// The whole template file. Throws 101 when it cannot be read.
std::string LoadReportTemplate(const std::string& path);

// The report page for the profile whose root item is `root`, from the template text. The dealer
// block is left out when `dealer` is empty or all three texts are blank. The radio-specific report
// needs an own entry (HasOwnEntry); without one its rows that describe the own entry stay empty.
std::string BuildReport(ReportKind kind, const CDataItem& root, std::string_view templateText,
                        const std::optional<DealerTexts>& dealer);

// The page with every picture it names by a relative path (src="NAME", NAME without ':') put
// inside it as a data URI, so that it shows its pictures wherever it is opened. Each picture is
// looked for in `folders` in turn; one found in none stays named as it was.
std::string EmbedPictures(std::string_view page, const std::vector<std::string>& folders);

// Writes the page atomically. Throws 101 when it cannot be written.
void SaveReport(const std::string& path, std::string_view page);

// The whole job: loads <reportFolder>/<template>, builds the page and writes it to `outputPath`
// (empty: <reportFolder>/<output page>). Returns the path written.
std::string GenerateReport(ReportKind kind, const CDataItem& root, const std::string& reportFolder,
                           const std::optional<DealerTexts>& dealer,
                           const std::string& outputPath = {});

}  // namespace vex

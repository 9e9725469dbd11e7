#include "link/link_status.h"

#include <string_view>

#include "common/strings.h"

namespace vex {

namespace {

// Dialog texts; the message-box form differs only where the dialog breaks a long line.
struct StatusText {
    LinkStatus status;
    int dialogId;
    int messageBoxId;  // 0: the same as the dialog form
    int wordId;        // the words put in place of "%s"; 0: none
};

inline constexpr int kOperationFailedWith = 10146;  // "Error: Operation Failed (%s)."
inline constexpr int kOperationFailedCode = 10147;  // "Error: Operation Failed (%d)."

inline constexpr StatusText kTexts[] = {
    {LinkStatus::ResetOrWriteFirst, 10129, 10160, 0},
    {LinkStatus::MessageCompose, kOperationFailedWith, 0, 10152},
    {LinkStatus::UserCanceled, kOperationFailedWith, 0, 10151},
    {LinkStatus::RadioBusy, 10131, 10154, 0},
    {LinkStatus::OperationUnsupported, kOperationFailedWith, 0, 10150},
    {LinkStatus::TimedOut, 10132, 10158, 0},
    {LinkStatus::OperationFailed, 10145, 0, 0},
    {LinkStatus::UnsupportedCommand, kOperationFailedWith, 0, 10149},
    {LinkStatus::InvalidOpcode, kOperationFailedWith, 0, 10148},
    {LinkStatus::ModelUnsupported, 10130, 10156, 0},
    {LinkStatus::VersionUnsupported, 10127, 10153, 0},
    {LinkStatus::EarlierFirmware, 10128, 10159, 0},
    {LinkStatus::NoConnection, 10134, 10157, 0},
    {LinkStatus::PortUnavailable, 10133, 10155, 0},
};

// The format with its one conversion ("%s" or "%d") replaced by value.
std::string Fill(std::string_view format, std::string_view conversion, std::string_view value) {
    std::string text(format);
    const std::size_t at = text.find(conversion);
    if (at != std::string::npos) text.replace(at, conversion.size(), value);
    return text;
}

}  // namespace

std::string LinkErrorText(LinkStatus status, LinkTextForm form) {
    for (const StatusText& entry : kTexts) {
        if (entry.status != status) continue;
        if (entry.wordId != 0) {
            return Fill(StringText(entry.dialogId), "%s", StringText(entry.wordId));
        }
        const bool ownMessageBox = form == LinkTextForm::MessageBox && entry.messageBoxId != 0;
        return std::string(StringText(ownMessageBox ? entry.messageBoxId : entry.dialogId));
    }
    return Fill(StringText(kOperationFailedCode), "%d", std::to_string(ToInt(status)));
}

}  // namespace vex

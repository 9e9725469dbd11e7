#include "common/strings.h"

#include <algorithm>
#include <array>

namespace vex {

namespace {

// Sorted by id.
constexpr std::array kStrings = {
    // Start-up and fatal errors.
    StringEntry{
        100,
        "OLE initialization failed. Make sure that the OLE libraries are the correct version."},
    StringEntry{101, "Fatal error: 101."},
    StringEntry{102, "Fatal error: 102.\nPlease uninstall and re-install VEX480 PRG."},
    StringEntry{104, "Windows sockets initialization failed."},
    StringEntry{105, "Invalid profile."},
    StringEntry{106, "Unknown Error"},
    StringEntry{107, "Programing error: 107."},
    StringEntry{108, "Programing error: 108."},
    // Navigation tree sections.
    StringEntry{109, "Settings"},
    StringEntry{110, "Privates"},
    StringEntry{111, "Private Groups"},
    StringEntry{112, "Public Groups"},
    StringEntry{113, "Lists"},
    StringEntry{115, "Scan List"},
    // Scroll list and scan list pages.
    StringEntry{116, "Channel %d"},
    StringEntry{117, "Lists"},
    StringEntry{118, "Scroll List"},
    StringEntry{119, "Scan List"},
    StringEntry{120, "Scan Mode"},
    StringEntry{121, "Available Contacts"},
    StringEntry{122, "Add >>"},
    StringEntry{123, "<< Remove"},
    StringEntry{124, "Scan List Channel %d"},
    StringEntry{125, "All Public Groups"},
    // Rule messages returned by the rule script.
    StringEntry{126, "The value is invalid."},
    StringEntry{
        127, "A similar name already exists in the contact list. Please specify a different name."},
    // Profile document type: file type name, filter, extension and registry type.
    StringEntry{129,
                "\nProfile\nVEX480PRGProfile\nVEX480 PRG Files "
                "(*.lam)\n.lam\nVEX480PRG.Profile\nVEX480PRG.Profile"},
    // Navigation tree sections.
    StringEntry{130, "Text Messages"},
    StringEntry{131, "Contacts"},
    // Rule messages returned by the rule script.
    StringEntry{
        132, "A similar PID already exists in the contact list. Please specify a different PID."},
    StringEntry{
        133,
        "Changing the channel will remove this public group from channel %d's scan list and "
        "add it to channel %d's scan list. Do you want to continue?"},
    StringEntry{
        134,
        "Channel changed successfuly, but the new channel's scan list is full, this contact "
        "has not been added to new channel's scan list."},
    StringEntry{135, "Programing error: 135.\nNo available private contacts in the new channel."},
    StringEntry{
        136,
        "Changing this Private Group's channel will remove all of its members. Do you want to "
        "continue?"},
    StringEntry{
        137,
        "Changing this Private contact's channel will remove it from all of its Private Groups "
        "and any Private Groups with no member will be deleted.  Also, this contact's Home "
        "Group field will be cleared. Do you want to continue?"},
    StringEntry{138, "Target does not exist."},
    StringEntry{139, "Not on the same channel"},
    StringEntry{
        140,
        "Private contact already belongs to maximum number of private groups. Please remove "
        "this private contact from a private group first."},
    StringEntry{
        141,
        "Deleting this Private Group will remove all of its members. Do you want to continue?"},
    StringEntry{
        142,
        "Deleting this Private contact will remove it from all of its Private Groups and any "
        "Private Groups with no member will be deleted. Do you want to continue?"},
    // Toolbar button texts.
    StringEntry{143, "New"},
    StringEntry{144, "Open"},
    StringEntry{145, "Save"},
    StringEntry{146, "Add"},
    StringEntry{147, "Delete"},
    StringEntry{148, "Cut"},
    StringEntry{149, "Copy"},
    StringEntry{150, "Paste"},
    StringEntry{151, "Read"},
    StringEntry{152, "Write"},
    StringEntry{153, "Report"},
    StringEntry{154, "About"},
    // Scan list capacity.
    StringEntry{155, "Reached maximum number of contacts in this channel."},
    // Dealer information dialog.
    StringEntry{156, "Dealer Information"},
    StringEntry{157, "Contact Information"},
    StringEntry{158, "Notes"},
    StringEntry{159, "Dealer Information"},
    StringEntry{160, "Fail to get dealer information from registry!"},
    StringEntry{161, "Error:There is an error when to acquire language type!"},
    // Tree labels with counts, scan list bound, contact name length.
    StringEntry{162, "Channel %d (%d)"},
    StringEntry{163, "Scroll (%d)"},
    StringEntry{164, "Cannot add more than %d amount of contacts to the scan list."},
    StringEntry{165, "The length of contact name can not exceed %d."},
    // Report chooser and common dialog buttons.
    StringEntry{166, "Choose a report template."},
    StringEntry{167, "Reports"},
    StringEntry{168, "&OK"},
    StringEntry{169, "&Cancel"},
    StringEntry{170, "Radio-Specific Report"},
    StringEntry{171, "Overview Report"},
    // Editor page texts.
    StringEntry{172, "Add New Message"},
    StringEntry{173,
                "This contact already belongs to 5 Private Groups. Please remove it from a group "
                "first, before adding to another Private Group."},
    StringEntry{
        174,
        "Note: Contacts added to the Manager Mode list are automatically added to the See All "
        "Groups list."},
    StringEntry{175, "Name"},
    // Report window.
    StringEntry{176, "Report"},
    StringEntry{177, "Print"},
    StringEntry{178, "Print Preview"},
    StringEntry{179, "Close"},
    StringEntry{180, "Save As..."},
    // Report labels and section titles.
    StringEntry{181, "Model"},
    StringEntry{182, "Home Channel"},
    StringEntry{183, "See All Groups"},
    StringEntry{184, "Receive From"},
    StringEntry{185, "Transmit To"},
    StringEntry{186, "All Privates"},
    StringEntry{187, "All Private Groups"},
    StringEntry{188, "All Public Groups"},
    StringEntry{189, "Manager Mode Enabled"},
    StringEntry{190, "See All Groups Enabled"},
    StringEntry{191, "Group Only Enabled"},
    StringEntry{192, "Private Groups"},
    StringEntry{193, "Public Groups"},
    StringEntry{194, "Receive List"},
    StringEntry{195, "Group Members"},
    StringEntry{196, "Enabled"},
    StringEntry{197, "Disabled"},
    // Text message length, label separator, About box caption.
    StringEntry{201, "The length of text message can not exceed %d characters."},
    StringEntry{202, ":"},
    StringEntry{203, "Manager Mode"},
    StringEntry{204, "About VEX480 PRG"},
    // Language names.
    StringEntry{205, "English"},
    StringEntry{206, "Spanish"},
    StringEntry{207, "French"},
    StringEntry{208, "Portuguese"},
    StringEntry{209, "German"},
    StringEntry{210, "Dutch"},
    // New profile dialog.
    StringEntry{10034, "New Profile"},
    StringEntry{10035, "Please choose profile model."},
    // Contact list pages.
    StringEntry{10037, "Add Public Group"},
    StringEntry{10038, "Public Groups"},
    StringEntry{10039, "Add Private Group"},
    StringEntry{10040, "Private Groups"},
    StringEntry{10041, "Add Privates"},
    StringEntry{10042, "Privates"},
    // Contacts summary page.
    StringEntry{10043, "Contacts"},
    StringEntry{10044, "Maximum Contacts:"},
    StringEntry{10045, "Maximum Private Groups:"},
    StringEntry{10046, "Maximum Public Groups:"},
    StringEntry{10047, "Maximum Privates:"},
    StringEntry{10048, "Current Number of Contacts:"},
    StringEntry{10049, "Current Number of Private Groups:"},
    StringEntry{10050, "Current Number of Public Groups:"},
    StringEntry{10051, "Current Number of Privates:"},
    // Contact field labels.
    StringEntry{10052, "Name"},
    StringEntry{10053, "Channel"},
    StringEntry{10054, "ID"},
    StringEntry{10055, "Name field can not be empty!"},
    // Radio information page.
    StringEntry{10056, "VEX Radio Information"},
    StringEntry{10057, "Unit Private ID"},
    StringEntry{10059, "Firmware Version"},
    StringEntry{10060, "Codeplug Version"},
    // Settings page.
    StringEntry{10061, "Settings"},
    StringEntry{10062, "VibraCall"},
    StringEntry{10063, "Contrast"},
    StringEntry{10064, "Backlight"},
    StringEntry{10065, "Display"},
    StringEntry{10066, "Clock/Alarm"},
    StringEntry{10067, "Time Format"},
    StringEntry{10068, "Time"},
    StringEntry{10069, "Date Format"},
    StringEntry{10070, "Date"},
    StringEntry{10071, "Set Time Using PC Clock"},
    StringEntry{10072, "Alarm"},
    StringEntry{10073, "Alarm Time"},
    StringEntry{10074, "Volume"},
    StringEntry{10075, "Ringer"},
    StringEntry{10076, "Speaker"},
    StringEntry{10077, "Keypad"},
    StringEntry{10078, "Alarm"},
    StringEntry{10079, "Earpiece"},
    StringEntry{10080, "Advanced"},
    StringEntry{10081, "All Privates"},
    StringEntry{10082, "Manager Mode on for"},
    StringEntry{10083, "See All Groups on for"},
    StringEntry{10084, "Add >>"},
    StringEntry{10085, "<< Remove"},
    StringEntry{10086, "Language"},
    // Text messages pages.
    StringEntry{10087, "Text Messages"},
    StringEntry{10088, "Maximum Text Messages:"},
    StringEntry{10089, "Current Number of Text Messages:"},
    StringEntry{10090, "Add Text Message"},
    StringEntry{10091, "Text Message"},
    StringEntry{10092, "Text Message"},
    StringEntry{10093, "Delete Current Message"},
    // Private contact and private group pages.
    StringEntry{10095, "Home Group"},
    StringEntry{10096, "Read Private ID from Radio"},
    StringEntry{10097, "Group Only"},
    StringEntry{10098, "Ringer"},
    StringEntry{10099, "ID field can not be empty!"},
    StringEntry{10100, " (%d Group(s) Left)"},
    StringEntry{
        10101,
        "The message field is blank. By continuing, this message will be deleted. Do you want "
        "to continue?"},
    StringEntry{10102, "All Privates"},
    StringEntry{10103, "Group Members"},
    StringEntry{10104, "Channel %d"},
    StringEntry{10107, "Ringer %d"},
    StringEntry{
        10108,
        "No available private contacts in the new channel. The channel will be reverted back "
        "to the previous value."},
    // Profile, template and registry failures.
    StringEntry{10113, "Profile data Error! The profile will be closed."},
    StringEntry{10114, "Error: Can not find template files!"},
    StringEntry{10115, "Fatal registry Error, the application will be closed!"},
    StringEntry{
        10116,
        "The dealer information in the registry is too long to fit the dialog, please check "
        "it!"},
    StringEntry{10117, "Failure to open registry!"},
    StringEntry{10118, "Failure to write dealer infomation to the registry!"},
    // Radio link errors, dialog form.
    StringEntry{
        10127,
        "Error: The radio version is unsupported. Please upgrade\n          your PRG software."},
    StringEntry{
        10128,
        "Error: Your radio has an earlier firmware version that\n          does not support "
        "the PRG."},
    StringEntry{10129,
                "Error: Please perform a radio reset or a radio write\n          operation first."},
    StringEntry{10130, "Error: Radio model is unsupported."},
    StringEntry{10131,
                "Error: Radio is currently busy. Please try again after a\n          few seconds."},
    StringEntry{10132, "Error: Operation timed out."},
    StringEntry{10133, "Error: COM port already in use by another application."},
    StringEntry{
        10134,
        "Error: Unable to establish a connection with the radio.\n          Please check your "
        "connection and try again."},
    // Empty list placeholder, About box version line.
    StringEntry{10136, "None"},
    // The About box: the product line and the three legal notice lines.
    StringEntry{10137, "VEX480 PRG"},
    StringEntry{10138, "Version %s"},
    StringEntry{10139, "Programming software for the VEX480 digital two-way radio."},
    StringEntry{10140, "Copyright (C) 2026 Kestrion. All rights reserved."},
    StringEntry{10141, "Use it only with radios that you are entitled to program."},
    // Radio link errors, dialog form, and the words filled into "%s".
    StringEntry{10145, "Error: Operation Failed."},
    StringEntry{10146, "Error: Operation Failed (%s)."},
    StringEntry{10147, "Error: Operation Failed (%d)."},
    StringEntry{10148, "Invalid Opcode"},
    StringEntry{10149, "Unsupported Command"},
    StringEntry{10150, "Operation Unsupported"},
    StringEntry{10151, "User Canceled"},
    StringEntry{10152, "Message Compose"},
    // Radio link errors, message-box form (one line each). 10156 is also raised for a profile
    // whose compatibility version is unsupported.
    StringEntry{10153,
                "Error: The radio version is unsupported. Please upgrade your PRG software."},
    StringEntry{10154, "Error: Radio is currently busy. Please try again after a few seconds."},
    StringEntry{10155, "Error: COM port already in use by another application."},
    StringEntry{10156, "Error: Radio model is unsupported."},
    StringEntry{10157,
                "Error: Unable to establish a connection with the radio. Please check your "
                "connection and try again."},
    StringEntry{10158, "Error: Operation timed out."},
    StringEntry{10159,
                "Error: Your radio has an earlier firmware version that does not support the PRG."},
    StringEntry{10160, "Error: Please perform a radio reset or a radio write operation first."},
    // Commit check of contact pages: question and the wrong-field lines.
    StringEntry{
        10161,
        "The following field(s) have been incorrectly specified:\n\n%s\nBy continuing, this "
        "contact will be deleted. Do you want to continue?    "},
    StringEntry{10162, "- (Name)\n"},
    StringEntry{10163, "- (ID)\n"},
    StringEntry{10164, "- (Group Members)\n"},
    // Editor page failures.
    StringEntry{20000, "Error: Set control color."},
    StringEntry{20001, "Error: Set background color."},
    StringEntry{20002, "Error: Set view size."},
    StringEntry{20003, "Error: Convert cordinate."},
    StringEntry{20004, "Error: Radio informaton view loads data."},
    StringEntry{20005, "Error: Settings view loads data."},
    StringEntry{20006, "Error: Text messages view loads data."},
    // Menu command prompts ("Description\nTooltip").
    StringEntry{32771, "Add a tree item\nAdd"},
    StringEntry{32772, "Delete a tree item\nDelete"},
    StringEntry{32773, "Change the name of a tree item"},
    StringEntry{32774, "Dealer information setting"},
    StringEntry{32775, "Preference setting"},
    StringEntry{32776, "Read from the radio\nRead"},
    StringEntry{32777, "Write to the radio\nWrite"},
    StringEntry{32778, "Reset the radio\nReset"},
    StringEntry{32779, "Generate a report\nReport"},
    StringEntry{32780, "Display Help"},
    // Status bar idle prompt.
    StringEntry{57345, "For Help, press F1"},
};

}  // namespace

std::span<const StringEntry> AllStrings() noexcept {
    return kStrings;
}

std::string_view StringText(int id) noexcept {
    const auto it = std::lower_bound(kStrings.begin(), kStrings.end(), id,
                                     [](const StringEntry& e, int key) { return e.id < key; });
    return it != kStrings.end() && it->id == id ? it->text : std::string_view{};
}

bool HasString(int id) noexcept {
    return !StringText(id).empty();
}

}  // namespace vex

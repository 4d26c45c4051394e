// What the start-up reads from the saver's command line.  Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tumbleview {

// The switches the start-up recognises.
inline constexpr std::string_view kSwitchPreview = "P";
inline constexpr std::string_view kSwitchSettings = "C";
inline constexpr std::string_view kSwitchRun = "S";

// The second character of the upper-cased argument text; empty when the
// text is shorter.  The first character ("/", "-", anything) is not looked at.
std::string commandSwitch(std::string_view argumentText);

// The preview's parent window: the argument text from its fourth character
// on, in the case given, read leniently as a decimal number (blanks skipped,
// reading stops at the first character that cannot continue a number) and
// rounded to a 32-bit signed integer, halves to even.  No number, or one
// that does not fit, gives 0.
std::int32_t previewParentOf(std::string_view argumentText);

// Arguments that make the saver print a text to standard output and end
// with status 0, when given alone; every other unknown switch still ends it
// silently.
inline constexpr std::string_view kHelpOption = "--help";
inline constexpr std::string_view kVersionOption = "--version";

// The text "--help" prints: the switches, the screen-saver daemons'
// conventions, and where the settings file and the hand-off picture live.
std::string helpText(std::string_view settingsFile, std::string_view handoffFile);

// The text "--version" prints.
std::string versionText(std::string_view version);

}  // namespace tumbleview

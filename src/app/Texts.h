// Every fixed text that the window's logic shows, in one place.
#pragma once

#include <string_view>

namespace app::texts {

inline constexpr std::string_view kAnalyzing = "Analyzing...";
inline constexpr std::string_view kCreditLine = "  metadata off, pixels untouched";
// Warning box of a file that was not stripped: kStripError + name + "> ".
inline constexpr std::string_view kStripError = "Strip error.\r\n<";
inline constexpr std::string_view kStripErrorEnd = "> ";
// Lines added to a file's block when its overwrite is refused.
inline constexpr std::string_view kBackupFailed = "  *** Backup copy failed: ";
inline constexpr std::string_view kNotOverwritten = ". File not overwritten.";
inline constexpr std::string_view kDamagedInput =
    "  *** A segment runs past the end of the file. File not overwritten.";
inline constexpr std::string_view kFileChanged =
    "  *** The file was changed or replaced after it was read. File not overwritten.";
// Settings folder that cannot be made: "<" + folder + kCreationError.
inline constexpr std::string_view kCreationError =
    "> creation error.\r\nConfigurations may not be saved.";

inline constexpr std::string_view kSettingsFolder = "BRESKO";
inline constexpr std::string_view kSettingsSection = "CONFIG";
inline constexpr std::string_view kSettingsExtension = ".ini";

}  // namespace app::texts

namespace app::texts {

// Lines of the console program on standard error, after the program's name.
inline constexpr std::string_view kAnotherCopyRunning =
    ": another copy is running; nothing was done.";
inline constexpr std::string_view kNoDisplayNoFiles =
    ": no display; name the JPEG files to strip on the command line.";

}  // namespace app::texts

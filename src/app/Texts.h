// Every fixed text that the window's logic shows, in one place.
#pragma once

#include <string_view>

#include "platform/Translation.h"

namespace app::texts {

using platform::Tx;

// Marked Tx(...): shown in the user's language (platform::Tr). The log's
// lines (the summary and stop lines among them), "Strip error." and the count
// of outcomes are formats that scripts read: they are never translated.

inline constexpr std::string_view kAnalyzing = Tx("Analyzing...");
// Captions of the warning and error boxes, in the window and on the console.
inline constexpr std::string_view kWarningCaption = Tx("Warning");
inline constexpr std::string_view kErrorCaption = Tx("Error");
inline constexpr std::string_view kCreditLine = Tx("  metadata off, pixels untouched");
// Warning box of a file that was not stripped: kStripError + name + "> ".
inline constexpr std::string_view kStripError = "Strip error.\r\n<";
inline constexpr std::string_view kStripErrorEnd = "> ";
// Lines of a written or kept backup: text + the backup's name.
inline constexpr std::string_view kBackupWritten = "  Backup copy written: ";
inline constexpr std::string_view kBackupKept = "  Backup copy kept (same bytes): ";
// Lines of a backup written in this run of a file whose save then failed.
inline constexpr std::string_view kBackupRemoved = "  Backup copy removed (file not overwritten): ";
inline constexpr std::string_view kBackupNotRemoved = "  *** Backup copy could not be removed: ";
// The line after the lines of a file whose error stopped the batch:
// kBatchStopped + name + ": " + count + kFile or kFiles + kNotHandled.
inline constexpr std::string_view kBatchStopped = "  *** Batch stopped by an error in ";
inline constexpr std::string_view kFile = " file";
inline constexpr std::string_view kFiles = " files";
inline constexpr std::string_view kNotHandled = " not handled.";
// The line of a batch that the user stopped: kStoppedByUser + count + kFile or
// kFiles + kNotHandled.
inline constexpr std::string_view kStoppedByUser = "  *** Batch stopped by the user: ";
// Progress of the files in hand, before the file's name in the label and
// before the caption in the title: the count, then the total.
inline constexpr std::string_view kProgress = Tx("%s of %s: ");
// Before the caption from an Esc or a close during a batch until the file in
// hand is done.
inline constexpr std::string_view kStopping = Tx("Stopping: ");
// The line after a batch: kSummary + the outcome counts (OutcomeCountText).
inline constexpr std::string_view kSummary = "Summary: ";
// The box of a settings folder that cannot be made: kCreationError with the
// folder, CR LF, kSettingsMayBeLost.
inline constexpr std::string_view kCreationError = Tx("<%s> creation error.");
inline constexpr std::string_view kSettingsMayBeLost = Tx("Configurations may not be saved.");

inline constexpr std::string_view kSettingsFolder = "BRESKO";
inline constexpr std::string_view kSettingsSection = "CONFIG";
inline constexpr std::string_view kSettingsExtension = ".ini";

}  // namespace app::texts

namespace app::texts {

// Lines of the console program on standard error: the program's name.
inline constexpr std::string_view kAnotherCopyRunning =
    Tx("%s: another copy is running; nothing was done.");
inline constexpr std::string_view kNoDisplayNoFiles =
    Tx("%s: no display; name the JPEG files to strip on the command line.");
// A run with switches but no file: the program's name.
inline constexpr std::string_view kNoFilesNamed = Tx("%s: no files named (see --help).");
// A wrong command line: the program's name, what is wrong.
inline constexpr std::string_view kWrongCommandLine = Tx("%s: %s (see --help).");
// The filter's input that could not be read: a line of the log.
inline constexpr std::string_view kStandardInputError = "  *** Standard input could not be read.";
// An error report.
inline constexpr std::string_view kStandardOutputError = Tx("standard output could not be written");
// The count of outcomes after the last file, e.g.
// ": 3 written, 1 already clean, 2 not written (1 not JPEG, 1 damaged), 0 not handled."
// The reasons in brackets and the lines of files not written are kOutcomeRows'
// (app/Outcomes.h).
inline constexpr std::string_view kCountWritten = " written, ";
inline constexpr std::string_view kCountUnchanged = " already clean, ";
inline constexpr std::string_view kCountNotWritten = " not written";

}  // namespace app::texts

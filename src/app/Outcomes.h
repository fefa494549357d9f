// What can become of one file, one row each: its stable code and machine name,
// how it is counted, the words that say why it was left as it was, the log
// line the run adds for it, whether a warning box shows, the exit status it
// leads to and the word the JSON output gives it. Every view and count reads
// this table; adding an outcome is one row here.
//
// The texts are English, marked Tx: a caller that speaks to a person in the
// person's language passes them through platform::Tr. The log, the count line
// and the JSON output are formats that scripts read and stay English.
//
// Header only, on engine types alone: a front end without the window's logic
// (a library) can report the same codes and texts. It lives beside the app
// rather than in the engine because two outcomes, a file changed behind the
// run's back and an error that stops the batch, belong to the save and the
// batch around the engine, not to the walk.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/ExitStatus.h"
#include "engine/ExifData.h"
#include "engine/TextMark.h"

namespace app {

// In the order the count line names them. Values are stable: never reorder,
// only append.
enum class TOutcomeCode : uint8_t {
  Written,       // stripped and written over the file
  Clean,         // nothing left to remove: left as it was, counted as done
  NotLoaded,     // could not be read
  NotJpeg,       // does not start with the start-of-image marker
  TooLarge,      // too large to be walked
  Damaged,       // damaged before its image data (TDamage tells how)
  BackupFailed,  // the backup asked for could not be made
  Changed,       // changed or replaced after it was read
  Error,         // an error stopped the batch at this file
};

// How a file counts in the count line and the summaries.
enum class TFileFate {
  Written,     // the stripped bytes were handed to the save
  Clean,       // nothing left to remove: left as it was
  NotWritten,  // left as it was for a fault
};

struct TOutcomeRow {
  TOutcomeCode code;
  std::string_view name;  // stable machine name
  // The engine's outcome that the row stands for, if it comes from the engine.
  std::optional<ExifData::TOutcome> engine;
  TFileFate fate;
  // Why the file was not written: the count line, a check line, the JSON
  // "reason"; empty for a file written or clean.
  std::string_view reason;
  // The run's own log line after the engine's lines (OutcomeLine); %s stands
  // for the backup's name. Empty: none, the engine's line says why (or, for
  // Damaged, the damage's row).
  std::string_view message;
  bool warning;  // the "Strip error." box shows
  int exitStatus;
  int checkExitStatus;  // of a run that only checks (--check)
  std::string_view json;
  std::string_view checkJson;
};

using ExifData::Tx;

// clang-format off
inline constexpr std::array<TOutcomeRow, 9> kOutcomeRows{{
 // code          name             engine                            fate                   reason
 //   message
 //   warning exit         check exit   json           check json
    {TOutcomeCode::Written,      "written",       ExifData::TOutcome::Stripped,     TFileFate::Written,    "",
       "",
       false,   kExitDone,   kExitNotAll, "written",     "to strip"},
    {TOutcomeCode::Clean,        "clean",         ExifData::TOutcome::Unchanged,    TFileFate::Clean,      "",
       Tx("Nothing left to remove."),
       false,   kExitDone,   kExitDone,   "clean",       "clean"},
    {TOutcomeCode::NotLoaded,    "not_loaded",    ExifData::TOutcome::NotLoaded,    TFileFate::NotWritten, Tx("not loaded"),
       "",
       true,    kExitNotAll, kExitNotAll, "not written", "not checked"},
    {TOutcomeCode::NotJpeg,      "not_jpeg",      ExifData::TOutcome::NotJpeg,      TFileFate::NotWritten, Tx("not JPEG"),
       "",
       true,    kExitNotAll, kExitNotAll, "not written", "not checked"},
    {TOutcomeCode::TooLarge,     "too_large",     ExifData::TOutcome::TooLarge,     TFileFate::NotWritten, Tx("too large"),
       "",
       true,    kExitNotAll, kExitNotAll, "not written", "not checked"},
    {TOutcomeCode::Damaged,      "damaged",       ExifData::TOutcome::Damaged,      TFileFate::NotWritten, Tx("damaged"),
       "",
       true,    kExitNotAll, kExitNotAll, "not written", "not checked"},
    {TOutcomeCode::BackupFailed, "backup_failed", ExifData::TOutcome::BackupFailed, TFileFate::NotWritten, Tx("backup failed"),
       Tx("Backup copy failed: %s."),
       true,    kExitNotAll, kExitNotAll, "not written", "not checked"},
    {TOutcomeCode::Changed,      "changed",       std::nullopt,                     TFileFate::NotWritten, Tx("changed meanwhile"),
       Tx("The file was changed or replaced after it was read."),
       true,    kExitNotAll, kExitNotAll, "not written", "not checked"},
    {TOutcomeCode::Error,        "error",         std::nullopt,                     TFileFate::NotWritten, Tx("error"),
       "",
       false,   kExitNotAll, kExitNotAll, "error",       "error"},
}};
// clang-format on

constexpr const TOutcomeRow& OutcomeRow(TOutcomeCode code) {
  return kOutcomeRows[static_cast<size_t>(code)];
}

constexpr bool RowsInCodeOrder() {
  for (size_t i = 0; i < kOutcomeRows.size(); ++i)
    if (static_cast<size_t>(kOutcomeRows[i].code) != i) return false;
  return true;
}
static_assert(RowsInCodeOrder(), "kOutcomeRows is indexed by TOutcomeCode");

// The row of the engine's `outcome`.
constexpr TOutcomeCode OutcomeOf(ExifData::TOutcome outcome) {
  for (const TOutcomeRow& row : kOutcomeRows)
    if (row.engine == outcome) return row.code;
  return TOutcomeCode::Error;
}

// How a damaged file is damaged: a code of its own and the sentence of its
// log line.
struct TDamageRow {
  ExifData::TDamage damage;
  std::string_view name;  // stable machine name
  std::string_view message;
};

// clang-format off
inline constexpr std::array<TDamageRow, 4> kDamageRows{{
    {ExifData::TDamage::SkippedPastEnd, "past_end",
     Tx("A segment runs past the end of the file.")},
    {ExifData::TDamage::ShortLength,    "short_length",
     Tx("A segment's length is below 2.")},
    {ExifData::TDamage::NotMarker,      "not_marker",
     Tx("Bytes that are not a marker stand before the image data.")},
    {ExifData::TDamage::SecondSOI,      "second_soi",
     Tx("A second start-of-image marker stands before the image data.")},
}};
// clang-format on

// The row of `damage`; the first (a segment past the end) for any other.
constexpr const TDamageRow& DamageRow(ExifData::TDamage damage) {
  for (const TDamageRow& row : kDamageRows)
    if (row.damage == damage) return row;
  return kDamageRows[0];
}

// The log line of a row's message, e.g. "  *** Nothing left to remove. File
// not overwritten."; `name` takes the place of %s. A format: never translated.
inline std::string OutcomeLine(std::string_view message, std::string_view name = {}) {
  std::string line = "  *** ";
  const size_t slot = message.find("%s");
  if (slot == std::string_view::npos) {
    line += message;
  } else {
    line.append(message.substr(0, slot)).append(name).append(message.substr(slot + 2));
  }
  return line + " File not overwritten.";
}

}  // namespace app

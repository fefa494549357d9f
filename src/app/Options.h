// The settings, one row each: where the value lives while the program runs,
// its key and default, and for an option the FLAG bit it sets. Reading and
// writing the settings and building FLAG all walk this table, so a new option
// is one row here plus, for a check box, its control in the window's table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/StripOptions.h"
#include "engine/TextMark.h"

namespace app {

using ExifData::Tx;

// Where a row's value lives while the program runs: a check box on the
// window or a field of the form (the options), the chime selector, or the
// language the program was started in (a text, see app/Language.h).
enum class THome { CheckBox, Field, ChimeNumber, ChimeShown, Language };

struct TSettingsRow {
  std::string_view key;          // in the settings section
  int32_t fallback;              // when the key is absent or holds no number
  ExifData::TStripOptions flag;  // an option's FLAG bit
  THome home;
  // An option's switch for one run: --name turns it on, --no-name off
  // (empty: no switch); and the line that tells what it does (shown with Tr).
  std::string_view switchName;
  std::string_view help;
};

// In the order the settings are read and written. The check-box rows come in
// the order of their check boxes in the window's control table.
// clang-format off
inline constexpr std::array<TSettingsRow, 11> kSettingsRows{{
    {"Write_Comment",      1,  ExifData::flWriteComment,    THome::Field,       "comment",
     Tx("write a comment segment naming the program")},
    {"Write_JFIF",         0,  ExifData::flWriteJFIF,       THome::CheckBox,    "jfif",
     Tx("write a fixed JFIF segment in place of the file's own")},
    {"Original_JFIF",      0,  ExifData::flOriginalJFIF,    THome::Field,       "", ""},
    {"Delete_after_EOI",   1,  ExifData::flDeleteAfterEOI,  THome::CheckBox,    "cut",
     Tx("cut whatever follows the end-of-image marker")},
    {"Save_Original_File", 0,  ExifData::flSaveOriginal,    THome::CheckBox,    "backup",
     Tx("keep a backup copy name_bak.jpg beside the file")},
    {"Write_APP14",        1,  ExifData::flWriteAPP14,      THome::CheckBox,    "app14",
     Tx("keep Adobe APP14 segments")},
    {"Wave_Sound",         16, ExifData::flNone,            THome::ChimeNumber, "", ""},
    {"Wave_Change",        0,  ExifData::flNone,            THome::ChimeShown,  "", ""},
    {"Keep_Orientation",   0,  ExifData::flKeepOrientation, THome::Field,       "keep-orientation",
     Tx("keep the orientation as a minimal Exif segment")},
    {"Keep_ICC",           0,  ExifData::flKeepICC,         THome::Field,       "keep-icc",
     Tx("keep the ICC colour profile")},
    {"Language",           0,  ExifData::flNone,            THome::Language,    "", ""},
}};
// clang-format on

constexpr bool IsOption(const TSettingsRow& row) {
  return row.home == THome::CheckBox || row.home == THome::Field;
}

// The row of `key`; the table's size when there is none.
constexpr size_t SettingsRow(std::string_view key) {
  size_t row = 0;
  while (row < kSettingsRows.size() && kSettingsRows[row].key != key) ++row;
  return row;
}

// How many options are check boxes.
constexpr size_t CheckBoxCount() {
  size_t count = 0;
  for (const TSettingsRow& row : kSettingsRows) count += row.home == THome::CheckBox ? 1 : 0;
  return count;
}

}  // namespace app

// The outcome table: the codes a caller may keep, the engine's outcomes each
// stands for, and what the counted files come to.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/OutcomeCounts.h"
#include "app/Outcomes.h"

namespace {

using app::TOutcomeCode;
using ExifData::TDamage;
using ExifData::TOutcome;

// The machine names are an interface: a script or a library caller keeps
// them, so a renamed one is a break, not a cosmetic change.
TEST(OutcomeTable, EachCodeKeepsItsNameAndEngineOutcomesMapOneToOne) {
  const struct {
    TOutcomeCode code;
    const char* name;
  } names[] = {
      {TOutcomeCode::Written, "written"},
      {TOutcomeCode::Clean, "clean"},
      {TOutcomeCode::NotLoaded, "not_loaded"},
      {TOutcomeCode::NotJpeg, "not_jpeg"},
      {TOutcomeCode::TooLarge, "too_large"},
      {TOutcomeCode::Damaged, "damaged"},
      {TOutcomeCode::BackupFailed, "backup_failed"},
      {TOutcomeCode::Changed, "changed"},
      {TOutcomeCode::Error, "error"},
  };
  ASSERT_EQ(std::size(names), app::kOutcomeRows.size());
  for (const auto& row : names) EXPECT_EQ(app::OutcomeRow(row.code).name, row.name);

  const struct {
    TOutcome engine;
    TOutcomeCode code;
  } engine[] = {
      {TOutcome::Stripped, TOutcomeCode::Written},
      {TOutcome::Unchanged, TOutcomeCode::Clean},
      {TOutcome::NotLoaded, TOutcomeCode::NotLoaded},
      {TOutcome::TooLarge, TOutcomeCode::TooLarge},
      {TOutcome::NotJpeg, TOutcomeCode::NotJpeg},
      {TOutcome::Damaged, TOutcomeCode::Damaged},
      {TOutcome::BackupFailed, TOutcomeCode::BackupFailed},
  };
  for (const auto& row : engine) EXPECT_EQ(app::OutcomeOf(row.engine), row.code);

  const struct {
    TDamage damage;
    const char* name;
  } damages[] = {{TDamage::SkippedPastEnd, "past_end"},
                 {TDamage::ShortLength, "short_length"},
                 {TDamage::NotMarker, "not_marker"},
                 {TDamage::SecondSOI, "second_soi"},
                 {TDamage::None, "past_end"}};
  for (const auto& row : damages) EXPECT_EQ(app::DamageRow(row.damage).name, row.name);
}

TEST(OutcomeTable, TheLogLineCarriesTheBackupsNameAsItStands) {
  EXPECT_EQ(app::OutcomeLine(app::OutcomeRow(TOutcomeCode::BackupFailed).message, "/p/a%s_bak.jpg"),
            "  *** Backup copy failed: /p/a%s_bak.jpg. File not overwritten.");
  EXPECT_EQ(app::OutcomeLine(app::OutcomeRow(TOutcomeCode::Clean).message),
            "  *** Nothing left to remove. File not overwritten.");
}

// 0 when every file was written or clean; a check also fails on a file it
// would strip; an error that stopped the batch fails any run.
TEST(OutcomeTable, TheExitStatusIsTheWorstOfTheFilesCounted) {
  const struct {
    std::set<TOutcomeCode> files;
    bool failed;
    int strip;
    int check;
  } cases[] = {
      {{}, false, 0, 0},
      {{TOutcomeCode::Written, TOutcomeCode::Clean}, false, 0, 1},
      {{TOutcomeCode::Clean}, false, 0, 0},
      {{TOutcomeCode::Clean}, true, 1, 1},
      {{TOutcomeCode::Written, TOutcomeCode::NotJpeg}, false, 1, 1},
      {{TOutcomeCode::Changed}, false, 1, 1},
      {{TOutcomeCode::Error}, false, 1, 1},
  };
  for (const auto& c : cases) {
    app::TOutcomeCounts counts;
    for (const TOutcomeCode code : c.files) counts.Add(code);
    EXPECT_EQ(app::ExitStatusOf(counts, false, c.failed), c.strip) << app::OutcomeCountText(counts);
    EXPECT_EQ(app::ExitStatusOf(counts, true, c.failed), c.check) << app::OutcomeCountText(counts);
  }
}

}  // namespace

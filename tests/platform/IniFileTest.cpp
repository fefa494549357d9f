#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "TestSupport.h"
#include "platform/IniFile.h"

namespace velmora::test {

using namespace platform;
namespace {

using Names = std::vector<std::string>;
using TEdit = std::function<void(TIniFile&)>;

TEdit erase(std::string section) {
  return [=](TIniFile& ini) { ini.EraseSection(section); };
}
TEdit write(std::string section, std::string key, std::string value) {
  return [=](TIniFile& ini) { ini.WriteString(section, key, value); };
}

const char* const kMissing = nullptr;

struct TEditCase {
  const char* name;
  const char* before;  // kMissing: no file
  std::vector<TEdit> edits;
  const char* after;
};

TEST(TIniFile, EditsOnlyTheNamedSectionAndWritesTheResult) {
  const TEditCase cases[] = {
      {"key replaced in place, names matched without regard to case",
       "[config]\nwrite_jfif=0\nOther=x\n",
       {write("CONFIG", "Write_JFIF", "1")},
       "[config]\nwrite_jfif=1\nOther=x\n"},
      {"blanks around names and values",
       "  [ CONFIG ]  \n  Key  =  old  \n",
       {write("CONFIG", "KEY", "new")},
       "  [ CONFIG ]  \nKey=new\n"},
      {"new key after the section's last non-blank line",
       "[CONFIG]\na=1\n\n[Other]\nb=2\n",
       {write("CONFIG", "c", "3")},
       "[CONFIG]\na=1\nc=3\n\n[Other]\nb=2\n"},
      {"a longer key is another key",
       "[CONFIG]\nWrite_JFIF2=5\n",
       {write("CONFIG", "Write_JFIF", "1")},
       "[CONFIG]\nWrite_JFIF2=5\nWrite_JFIF=1\n"},
      {"same key elsewhere untouched",
       "k=0\n[Other]\nk=1\n[CONFIG]\n",
       {write("CONFIG", "k", "2")},
       "k=0\n[Other]\nk=1\n[CONFIG]\nk=2\n"},
      {"section added at the end, CRLF lines of others kept",
       "[Other]\r\nb = 2 \r\n",
       {write("CONFIG", "k", "v")},
       "[Other]\r\nb = 2 \r\n[CONFIG]\nk=v\n"},
      {"CRLF line rewritten keeps its line end",
       "[CONFIG]\r\nk=0\r\nz=9\r\n",
       {write("CONFIG", "k", "1")},
       "[CONFIG]\r\nk=1\r\nz=9\r\n"},
      {"last section without newline gains a key",
       "[CONFIG]\na=1",
       {write("CONFIG", "b", "2")},
       "[CONFIG]\na=1\nb=2\n"},
      {"last line without newline before a new section",
       "[Other]\nx=1",
       {write("CONFIG", "k", "v")},
       "[Other]\nx=1\n[CONFIG]\nk=v\n"},
      {"header alone at the end without newline",
       "[CONFIG]",
       {write("CONFIG", "k", "v")},
       "[CONFIG]\nk=v\n"},
      {"erase takes the header and every line up to the next header",
       "[A]\r\na=1\r\n[Config]\r\nx=1\r\n; note\r\n\r\nhand=9\r\n[B]\r\nb=2",
       {erase("CONFIG")},
       "[A]\r\na=1\r\n[B]\r\nb=2"},
      {"erase removes every section of the name",
       "[CONFIG]\na=1\n[x]\n[config]\nb=2\n",
       {erase("CONFIG")},
       "[x]\n"},
      {"erase then write: the section moves to the end in writing order",
       "[CONFIG]\nB=old\nHand=1\n[Other]\nz=1\n",
       {erase("CONFIG"), write("CONFIG", "A", "1"), write("CONFIG", "B", "2")},
       "[Other]\nz=1\n[CONFIG]\nA=1\nB=2\n"},
      {"missing file", kMissing, {erase("CONFIG"), write("CONFIG", "k", "v")}, "[CONFIG]\nk=v\n"},
  };
  for (const TEditCase& c : cases) {
    TScratchFolder folder;
    const std::string path = folder / "velmora.ini";
    if (c.before != kMissing) WriteFile(path, c.before);
    TIniFile ini(path);
    for (const TEdit& edit : c.edits) edit(ini);
    ini.Flush();
    EXPECT_EQ(ReadFile(path), c.after) << c.name;
    EXPECT_EQ(folder.Names(), Names{"velmora.ini"}) << c.name;
  }
}

TEST(TIniFile, ReadsTrimmedValuesOfTheFirstMatchingSection) {
  TScratchFolder folder;
  const std::string path = folder / "velmora.ini";
  WriteFile(path,
            "Top=1\n[Other]\nWrite_JFIF=7\n[config]\n  write_jfif  =  1  \nEmpty=\n"
            "Crlf=v\r\nWave_Sound= 0x10\t\n[CONFIG]\nLater=2\n");
  const TIniFile ini(path);
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"CONFIG", "Write_JFIF", "1"},    {"Config", "WRITE_jfif", "1"},
      {"CONFIG", "Empty", ""},          {"CONFIG", "Crlf", "v"},
      {"CONFIG", "Wave_Sound", "0x10"}, {"CONFIG", "Missing", "<none>"},
      {"CONFIG", "Top", "<none>"},      {"Absent", "Write_JFIF", "<none>"},
      {"Other", "Write_JFIF", "7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<none>"), c.value) << c.section << "/" << c.key;
  }
}

TEST(TIniFile, ReadsAtMost2047BytesOfAValueWithoutSplittingACharacter) {
  TScratchFolder folder;
  const std::string path = folder / "velmora.ini";
  // 2046 ASCII bytes, then "ä" (two bytes) straddling the limit.
  WriteFile(path, "[CONFIG]\nlong=" + std::string(3000, 'a') + "\nwide=" + std::string(2046, 'b') +
                      "\xC3\xA4" + "tail\n");
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("CONFIG", "long", ""), std::string(2047, 'a'));
  EXPECT_EQ(ini.ReadString("CONFIG", "wide", ""), std::string(2046, 'b'));
}

TEST(TIniFile, FlushWithoutChangesTouchesNothing) {
  TScratchFolder folder;
  TIniFile ini(folder / "velmora.ini");
  ini.EraseSection("CONFIG");  // absent: no change
  ini.Flush();
  EXPECT_EQ(folder.Names(), Names{});
}

TEST(TIniFile, FlushOfTheSameBytesLeavesTheFileAlone) {
  // The close rewrites the whole section; when that gives the bytes already
  // on disk, nothing is written: the file keeps its inode, and a read-only
  // file is no error.
  TScratchFolder folder;
  for (const mode_t mode : {0644, 0444}) {
    SCOPED_TRACE(mode);
    const std::string path = folder / ("velmora-" + std::to_string(mode) + ".ini");
    WriteFile(path, "[Other]\nx=1\n[CONFIG]\nk=v\n", mode);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    TIniFile ini(path);
    ini.EraseSection("CONFIG");
    ini.WriteString("CONFIG", "k", "v");
    EXPECT_NO_THROW(ini.Flush());
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
  }
  // Once written, writing the same bytes again is skipped too.
  const std::string path = folder / "velmora.ini";
  TIniFile ini(path);
  ini.WriteString("CONFIG", "k", "v");
  ini.Flush();
  struct stat written {};
  ASSERT_EQ(stat(path.c_str(), &written), 0);
  ini.WriteString("CONFIG", "k", "v");
  ini.Flush();
  struct stat again {};
  ASSERT_EQ(stat(path.c_str(), &again), 0);
  EXPECT_EQ(again.st_ino, written.st_ino);
  EXPECT_EQ(ReadFile(path), "[CONFIG]\nk=v\n");
}

// The message of the EIniWriteError Flush throws, or "" when it does not throw.
std::string flushError(TIniFile& ini) {
  try {
    ini.Flush();
  } catch (const EIniWriteError& error) {
    return error.what();
  }
  return "";
}

TEST(TIniFile, FlushRefusedByTheFileOrItsFolderThrowsAndLeavesNoTrace) {
  TScratchFolder folder;
  WriteFile(folder / "readonly.ini", "[CONFIG]\nk=old\n", 0444);  // binds root too
  WriteFile(folder / "BRESKO", "a file where the folder should be");
  mkdir((folder / "folder.ini").c_str(), 0755);
  const Names before = folder.Names();
  for (const std::string name :
       {"readonly.ini", "BRESKO/velmora.ini", "folder.ini", "missing/velmora.ini"}) {
    TIniFile ini(folder / name);
    ini.WriteString("CONFIG", "k", "new");
    EXPECT_EQ(flushError(ini), "Cannot write to " + folder / name);
  }
  EXPECT_EQ(ReadFile(folder / "readonly.ini"), "[CONFIG]\nk=old\n");
  EXPECT_EQ(folder.Names(), before);
}

TEST(TIniFile, FileThatCannotBeReadIsReadAsEmptyButNotOverwritten) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hand the file over";
  TScratchFolder folder;
  const std::string path = folder / "velmora.ini";
  WriteFile(path, "[Other]\nkeep=me\n[CONFIG]\nWrite_JFIF=1\n", 0200);  // write-only
  ASSERT_EQ(chown(path.c_str(), velmora::test::kNobody, velmora::test::kNobody), 0);
  EXPECT_UNPRIVILEGED([&]() -> std::string {
    TIniFile ini(path);
    if (ini.ReadString("CONFIG", "Write_JFIF", "<none>") != "<none>") return "read something";
    ini.WriteString("CONFIG", "Write_JFIF", "0");
    const std::string expected = "Cannot write to " + path;
    if (const std::string got = flushError(ini); got != expected) return "flush gave: " + got;
    return "";
  });
  EXPECT_EQ(ReadFile(path), "[Other]\nkeep=me\n[CONFIG]\nWrite_JFIF=1\n");
  EXPECT_EQ(folder.Names(), Names{"velmora.ini"});
}

}  // namespace
}  // namespace velmora::test

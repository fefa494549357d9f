// Every path helper of the platform layer with paths around MAX_PATH (260)
// and far beyond it: each works at every length and leaves no temporary file.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "platform/AppData.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

namespace velmora::test {
namespace {

using ExifData::TBackupOutcome;
using ExifData::TLoadResult;
using platform::TPlatformFiles;

// The test's folder, then folders of at most 120 characters (one with
// Japanese letters), so that `name` (which ends the path) makes the whole
// path exactly `length` characters long. The folders are made.
std::string pathOfLength(const TTempFolder& folder, size_t length, const std::string& name) {
  std::string path = U(folder.Path()) + "\\写真";
  for (char letter = 'a'; W(path).size() + 1 + 120 + 1 + name.size() < length; ++letter)
    path += "\\" + std::string(120, letter);
  const size_t filler = length - W(path).size() - 1 - name.size();
  if (filler > 1) path += "\\" + std::string(filler - 1, 'z');
  MakeFolders(path);
  path += "\\" + name;
  return path;
}

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

class Win32LongPaths : public ::testing::TestWithParam<size_t> {};

TEST_P(Win32LongPaths, EveryPathHelperWorksAndLeavesNoTemporaryFile) {
  const size_t length = GetParam();
  TTempFolder folder;
  const std::string photo = pathOfLength(folder, length, "photo.jpg");
  ASSERT_EQ(W(photo).size(), length);
  const std::string place = folderOf(photo);
  WriteBytes(photo, "old content");

  ExifData::TMemoryStream loaded;
  ASSERT_EQ(TPlatformFiles().LoadFile(photo, loaded).kind, TLoadResult::TKind::Loaded);
  EXPECT_EQ(std::string(loaded.Bytes().begin(), loaded.Bytes().end()), "old content");

  EXPECT_EQ(TPlatformFiles().CopyToBackup(photo, place + "\\photo_bak.jpg", nullptr),
            TBackupOutcome::Written);
  EXPECT_EQ(ReadBytes(place + "\\photo_bak.jpg"), "old content");

  platform::SaveFileAtomically(photo, "new", 3);
  EXPECT_EQ(ReadBytes(photo), "new");
  platform::SaveFileAtomically(place + "\\fresh.jpg", "fresh", 5);
  EXPECT_EQ(ReadBytes(place + "\\fresh.jpg"), "fresh");

  EXPECT_EQ(platform::AbsolutePath(photo), photo);
  // A relative name is taken against the current folder.
  const std::wstring before = [] {
    wchar_t current[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    return std::wstring(current);
  }();
  ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
  const std::string relative = photo.substr(U(folder.Path()).size() + 1);
  EXPECT_EQ(platform::AbsolutePath(relative), photo);
  ExifData::TMemoryStream byRelativeName;
  EXPECT_EQ(TPlatformFiles().LoadFile(relative, byRelativeName).kind, TLoadResult::TKind::Loaded);
  SetCurrentDirectoryW(before.c_str());

  const std::string made = pathOfLength(folder, length, "new");
  EXPECT_FALSE(platform::FolderExists(made));
  EXPECT_TRUE(platform::CreateFolder(made));
  EXPECT_TRUE(platform::FolderExists(made));
  EXPECT_FALSE(platform::CreateFolder(made)) << "already there";
  EXPECT_TRUE(platform::CreateFolder(made + "\\above\\below\\")) << "with the folders above it";
  EXPECT_TRUE(platform::FolderExists(made + "\\above\\below"));

  const std::string settings = pathOfLength(folder, length, "velmora.ini");
  {
    platform::TIniFile ini(settings);
    ini.WriteString("CONFIG", "Write_JFIF", "1");
    ini.Flush();
  }
  EXPECT_EQ(platform::TIniFile(settings).ReadString("CONFIG", "Write_JFIF", ""), "1");

  EXPECT_EQ(TTempFolder::EntriesOf(place), "fresh.jpg photo.jpg photo_bak.jpg")
      << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(AroundMaxPath, Win32LongPaths, ::testing::Values(259, 260, 261, 1000));

}  // namespace
}  // namespace velmora::test

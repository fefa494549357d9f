// The platform layer through the Windows API: load, save, backup copy,
// folders and the settings file with Japanese names, the read-only refusal,
// and the instance lock against a second process.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "platform/AppData.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/InstanceLock.h"

namespace velmora::test {
namespace {

using platform::TPlatformFiles;
using platform::win32::TUniqueHandle;

// Names with and without characters outside the ANSI code page.
const char* const kNames[] = {"photo.jpg", "写真 2024.jpg", "Café.jpeg"};

TEST(Win32Files, LoadAndSaveByNameKeepNoTemporaryAndKeepAttributes) {
  for (const char* name : kNames) {
    TTempFolder folder;
    const std::string path = folder / name;
    WriteBytes(path, "old content");
    SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);

    ExifData::TMemoryStream loaded;
    EXPECT_EQ(TPlatformFiles().LoadFile(path, loaded).kind, ExifData::TLoadResult::TKind::Loaded);
    EXPECT_EQ(std::string(loaded.Bytes().begin(), loaded.Bytes().end()), "old content") << name;

    platform::SaveFileAtomically(path, "new", 3);
    EXPECT_EQ(ReadBytes(path), "new") << name;
    EXPECT_EQ(folder.Entries(), name) << "no temporary file is left";
    EXPECT_TRUE(GetFileAttributesW(W(path).c_str()) & FILE_ATTRIBUTE_HIDDEN) << name;

    platform::SaveFileAtomically(folder / "new.jpg", "fresh", 5);
    EXPECT_EQ(ReadBytes(folder / "new.jpg"), "fresh");
  }
}

TEST(Win32Files, ReadOnlyFileAndFolderAreRefusedAndLeftAlone) {
  TTempFolder folder;
  const std::string path = folder / "写真.jpg";
  WriteBytes(path, "kept");
  SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_THROW(platform::SaveFileAtomically(path, "new", 3), platform::EFileError);
  EXPECT_THROW(platform::SaveFileAtomically(folder / "", "new", 3), platform::EFileError);
  EXPECT_EQ(ReadBytes(path), "kept");
  EXPECT_EQ(folder.Entries(), "写真.jpg");
}

// A backup may be the only copy of an original: whatever bears the name is
// never replaced or written through, and a failed copy leaves nothing behind.
TEST(Win32Files, BackupCopyNeverReplacesAndFailsCleanly) {
  using ExifData::TBackupOutcome;
  TTempFolder folder;
  const std::string source = folder / "写真.jpg";
  const std::string backup = folder / "写真_bak.jpg";
  WriteBytes(source, "photo");
  EXPECT_EQ(TPlatformFiles().CopyToBackup(source, backup, nullptr), TBackupOutcome::Written);
  EXPECT_EQ(ReadBytes(backup), "photo");
  EXPECT_EQ(TPlatformFiles().CopyToBackup(source, backup, nullptr), TBackupOutcome::Kept);
  WriteBytes(source, "another photo");
  EXPECT_EQ(TPlatformFiles().CopyToBackup(source, backup, nullptr), TBackupOutcome::Occupied);
  EXPECT_EQ(ReadBytes(backup), "photo");
  // A read-only source: its copy cannot be opened to flush, and is kept all the same.
  SetFileAttributesW(W(source).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(TPlatformFiles().CopyToBackup(source, folder / "写真_bak_2.jpg", nullptr),
            TBackupOutcome::Written);
  SetFileAttributesW(W(source).c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW(W(folder / "写真_bak_2.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_EQ(TPlatformFiles().CopyToBackup(folder / "missing.jpg", folder / "m_bak.jpg", nullptr),
            TBackupOutcome::Failed);
  EXPECT_EQ(TPlatformFiles().CopyToBackup(source, folder / "no folder\\x_bak.jpg", nullptr),
            TBackupOutcome::Failed);
  EXPECT_EQ(folder.Entries(), "写真.jpg 写真_bak.jpg 写真_bak_2.jpg")
      << "no temporary file is left";
}

// What the save would refuse is known before a backup is made: a read-only
// file, and one another program holds open (even one that shares reading and
// writing). A backup written before a save that then fails can go again, but
// only the file written, never one that took its name since.
TEST(Win32Files, RefusalsAreSeenAheadAndOnlyTheBackupWrittenIsRemoved) {
  using ExifData::TBackupOutcome;
  TTempFolder folder;
  const std::string path = folder / "写真.jpg";
  const std::string backup = folder / "写真_bak.jpg";
  WriteBytes(path, "photo");
  TPlatformFiles files;
  EXPECT_TRUE(files.MayReplace(path, nullptr));
  SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(files.MayReplace(path, nullptr));
  SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  {
    TUniqueHandle other(CreateFileW(W(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(other.Valid());
    EXPECT_FALSE(files.MayReplace(path, nullptr));
    ASSERT_EQ(files.CopyToBackup(path, backup, nullptr), TBackupOutcome::Written);
    EXPECT_THROW(platform::SaveFileAtomically(path, "new", 3), platform::EFileError);
    EXPECT_TRUE(files.RemoveBackup(backup));
  }
  EXPECT_EQ(folder.Entries(), "写真.jpg");
  EXPECT_EQ(ReadBytes(path), "photo");

  ASSERT_EQ(files.CopyToBackup(path, backup, nullptr), TBackupOutcome::Written);
  ASSERT_TRUE(DeleteFileW(W(backup).c_str()));
  WriteBytes(backup, "another file");
  EXPECT_FALSE(files.RemoveBackup(backup));
  EXPECT_EQ(ReadBytes(backup), "another file");
}

TEST(Win32Files, LinkAtTheBackupNameIsLeftAlone) {
  TTempFolder folder;
  const std::string source = folder / "a.jpg";
  const std::string elsewhere = folder / "elsewhere.jpg";
  WriteBytes(source, "photo");
  WriteBytes(elsewhere, "not to be touched");
  if (!CreateSymbolicLinkW(W(folder / "a_bak.jpg").c_str(), W(elsewhere).c_str(), 0)) {
    GTEST_SKIP() << "no symbolic links here (error " << GetLastError() << ")";
  }
  // Wine's links are not seen by the file functions (the name looks free
  // there, and the move replaces the link); where they are, the name is taken.
  WIN32_FIND_DATAW entry{};
  const HANDLE found = FindFirstFileW(W(folder / "a_bak.jpg").c_str(), &entry);
  const bool visible = found != INVALID_HANDLE_VALUE;
  if (visible) FindClose(found);
  const auto outcome = TPlatformFiles().CopyToBackup(source, folder / "a_bak.jpg", nullptr);
  if (visible) {
    EXPECT_EQ(outcome, ExifData::TBackupOutcome::Occupied);
  }
  EXPECT_EQ(ReadBytes(elsewhere), "not to be touched");
}

TEST(Win32Folders, JapaneseFolderNamesAreMadeAndFound) {
  TTempFolder folder;
  const std::string made = folder / "設定";
  EXPECT_FALSE(platform::FolderExists(made));
  EXPECT_TRUE(platform::CreateFolder(made));
  EXPECT_TRUE(platform::FolderExists(made));
  EXPECT_FALSE(platform::CreateFolder(made));
  WriteBytes(folder / "file", "x");
  EXPECT_FALSE(platform::FolderExists(folder / "file"));
  EXPECT_FALSE(platform::AppDataFolder().empty());
  EXPECT_EQ(platform::AbsolutePath(made), made);
}

// The same edits give the POSIX file's bytes with CRLF for the lines the
// program adds; lines it does not touch keep their own ends, and UTF-8 values
// survive whole.
TEST(Win32Settings, SameBytesAsElsewhereApartFromLineEnds) {
  TTempFolder folder;
  const std::string path = folder / "設定.ini";
  WriteBytes(path, "; hand-written\n[Other]\nname=値\n\n[CONFIG]\nWrite_JFIF=0\n");
  {
    platform::TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("other", "NAME", ""), "値");
    ini.WriteString("CONFIG", "Write_JFIF", "1");
    ini.WriteString("CONFIG", "Wave_Sound", "16");
    ini.WriteString("New", "名前", "ベルモラ");
    ini.Flush();
  }
  EXPECT_EQ(ReadBytes(path),
            "; hand-written\n[Other]\nname=値\n\n[CONFIG]\nWrite_JFIF=1\nWave_Sound=16\r\n"
            "[New]\r\n名前=ベルモラ\r\n");
  EXPECT_EQ(folder.Entries(), "設定.ini");

  SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_READONLY);
  platform::TIniFile readOnly(path);
  readOnly.EraseSection("New");
  EXPECT_THROW(readOnly.Flush(), platform::EIniWriteError);
}

TEST(Win32InstanceLock, SecondProcessGivesWayUntilTheFirstLets) {
  const std::string name = "velmora-test-" + std::to_string(GetCurrentProcessId());
  const std::wstring holder = L"\"" + OwnFolder() + W(VELMORA_LOCK_HOLDER) + L"\" " + W(name);
  TTempFolder folder;
  const std::wstring& where = folder.Path();
  {
    const platform::TLockResult lock = platform::TInstanceLock::TryAcquire(name);
    ASSERT_EQ(lock.outcome, platform::TLockOutcome::Held);
    EXPECT_EQ(platform::TInstanceLock::TryAcquire(name).outcome,
              platform::TLockOutcome::AnotherCopy);
    const TRun busy = RunProcess(holder, where);
    EXPECT_EQ(busy.status, 3u);
    EXPECT_EQ(busy.out.substr(0, 4), "busy");
  }
  for (int i = 0; i < 2; ++i) {  // a process's end lets the next one take it
    const TRun held = RunProcess(holder, where);
    EXPECT_EQ(held.status, 0u) << held.out;
    EXPECT_EQ(held.out.substr(0, 4), "held");
  }
}

}  // namespace
}  // namespace velmora::test

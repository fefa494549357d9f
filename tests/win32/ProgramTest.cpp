// The console program (built without the window) end to end through
// CreateProcessW: exit statuses, Japanese names on the command line, and the
// comment's bytes for an executable whose name is not ASCII.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <tuple>
#include <vector>

#include "WinTestSupport.h"
#include "engine/ExifData.h"
#include "platform/AppData.h"
#include "platform/InstanceLock.h"

namespace velmora::test {
namespace {

std::wstring program() { return OwnFolder() + W(VELMORA_PROGRAM_NAME); }

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

using platform::win32::TUniqueHandle;

TEST(Win32Program, ExitStatusesAndJapaneseNamesOnTheCommandLine) {
  const std::string photo = PhotoWithExif();
  // clang-format off
  struct Case {
    const char* what;
    std::vector<std::string> args;
    DWORD status;
    bool stripped;       // 写真.jpg lost its Exif block
    bool holdTheLock;    // another copy runs
  } const cases[] = {
      {"strips a Japanese name",     {"写真.jpg"},             0, true,  false},
      {"names it cannot strip",      {"写真.jpg", "無い.jpg"}, 1, true,  false},
      {"no files and no display",    {},                      2, false, false},
      {"another copy is running",    {"写真.jpg"},             3, false, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    TTempFolder folder;
    WriteBytes(folder / "写真.jpg", photo);
    std::wstring line = quoted(program());
    for (const std::string& arg : c.args) line += L" " + quoted(W(arg));
    platform::TLockResult other{platform::TLockOutcome::Unguarded, nullptr};
    if (c.holdTheLock) other = platform::TInstanceLock::TryAcquire();
    const TRun run = RunProcess(line, folder.Path());
    other.lock.reset();
    EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out;
    const std::string after = ReadBytes(folder / "写真.jpg");
    EXPECT_EQ(after.find("secretGPS") == std::string::npos, c.stripped) << c.what;
    if (c.status == 1) {
      EXPECT_NE(run.out.find("<無い.jpg>"), std::string::npos) << run.out;
    }
  }
}

// With the backup option on, a file the save refuses gets no backup: a
// read-only file, and one another program holds open without sharing its
// deletion. The program, copied under a name of its own, reads its own
// settings file.
TEST(Win32Program, NoBackupOfAFileThatIsNotReplaced) {
  const std::string name = "velmora-backup-" + std::to_string(GetCurrentProcessId());
  const std::string settingsFolder = platform::AppDataFolder() + "\\BRESKO";
  const std::string settings = settingsFolder + "\\" + name + ".ini";
  MakeFolders(settingsFolder);
  WriteBytes(settings, "[CONFIG]\r\nSave_Original_File=1\r\nWave_Sound=0\r\n");
  // clang-format off
  struct Case {
    const char* what;
    DWORD attributes;  // of the photo
    bool heldOpen;     // by this process, sharing reading and writing
    DWORD status;
    const char* entries;
  } const cases[] = {
      {"nothing in the way", FILE_ATTRIBUTE_NORMAL,   false, 0, "a.jpg a_bak.jpg"},
      {"read-only",          FILE_ATTRIBUTE_READONLY, false, 1, "a.jpg"},
      {"held open",          FILE_ATTRIBUTE_NORMAL,   true,  1, "a.jpg"},
  };
  // clang-format on
  for (const Case& c : cases) {
    TTempFolder folder;
    const std::wstring copy = folder.Path() + L"\\" + W(name) + L".exe";
    ASSERT_TRUE(CopyFileW(program().c_str(), copy.c_str(), FALSE));
    WriteBytes(folder / "a.jpg", PhotoWithExif());
    SetFileAttributesW(W(folder / "a.jpg").c_str(), c.attributes);
    TUniqueHandle held(c.heldOpen ? CreateFileW(W(folder / "a.jpg").c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                  : INVALID_HANDLE_VALUE);
    const TRun run = RunProcess(quoted(copy) + L" a.jpg", folder.Path());
    EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out;
    EXPECT_EQ(ReadBytes(folder / "a.jpg").find("secretGPS") == std::string::npos, c.status == 0)
        << c.what;
    DeleteFileW(copy.c_str());
    EXPECT_EQ(folder.Entries(), c.entries) << c.what;
  }
  DeleteFileW(W(settings).c_str());
}

// The version information carries the program's one version: the numbers of
// the project's version, and its text as the program shows it.
TEST(Win32Program, VersionInformationIsTheProgramsVersion) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(program().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(program().c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  std::istringstream numbers(VELMORA_PROJECT_VERSION);
  unsigned part[4] = {};
  char dot = 0;
  numbers >> part[0] >> dot >> part[1] >> dot >> part[2] >> dot >> part[3];
  EXPECT_EQ(fixed->dwFileVersionMS, (part[0] << 16) | part[1]);
  EXPECT_EQ(fixed->dwFileVersionLS, (part[2] << 16) | part[3]);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

  const auto text = [&](const wchar_t* key) -> std::string {
    wchar_t* value = nullptr;
    UINT chars = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904E4\\") + key;
    if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars))
      return "<none>";
    return U(std::wstring(value, chars > 0 && value[chars - 1] == L'\0' ? chars - 1 : chars));
  };
  const std::string version(ExifData::Version.substr(1));  // without its "v"
  EXPECT_EQ(text(L"FileVersion"), version);
  EXPECT_EQ(text(L"ProductVersion"), version);
  EXPECT_EQ(text(L"ProductName"), "Velmora");
  EXPECT_EQ(text(L"OriginalFilename"), "velmora.exe");
  EXPECT_EQ(text(L"InternalName"), "velmora");
  EXPECT_EQ(text(L"CompanyName"), "BRESKO");
  EXPECT_NE(text(L"LegalCopyright"), "<none>");
  EXPECT_EQ(text(L"ProgramID"), "<none>");
}

// The catalogs are inside the exe: with the settings choosing Japanese, the
// console's box caption and the platform's message come out in Japanese; the
// log's own lines and "Strip error." stay as they are.
TEST(Win32Program, SpeaksTheLanguageTheSettingsChoose) {
  const std::string folder = platform::SubfolderPath(platform::AppDataFolder(), "BRESKO");
  const std::string settings = folder + "velmora.ini";
  // The other runs of the program write this file too: it is put back after.
  const bool existed = std::filesystem::exists(std::filesystem::u8path(settings));
  const std::string before = existed ? ReadBytes(settings) : std::string();
  std::filesystem::create_directories(std::filesystem::u8path(folder));
  for (const auto& [language, warning, cannotOpen] :
       {std::tuple{"ja", "警告: Strip error.", "ファイル "},
        std::tuple{"en", "Warning: Strip error.", "Cannot open file "}}) {
    SCOPED_TRACE(language);
    WriteBytes(settings, std::string("[CONFIG]\r\nWave_Sound=0\r\nLanguage=") + language + "\r\n");
    TTempFolder photos;
    const TRun run = RunProcess(quoted(program()) + L" " + quoted(L"無い.jpg"), photos.Path());
    EXPECT_EQ(run.status, 1u) << run.out;
    EXPECT_NE(run.out.find(cannotOpen), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(warning), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("velmora: 0 written, 0 already clean, 1 not written (1 not loaded)"),
              std::string::npos)
        << run.out;
  }
  if (existed)
    WriteBytes(settings, before);
  else
    std::filesystem::remove(std::filesystem::u8path(settings));
}

// The comment carries the executable's name in the ANSI code page, as the
// files made on Windows always have; the length field counts those bytes.
TEST(Win32Program, CommentNamesANonAsciiExecutableInTheAnsiCodePage) {
  for (const std::wstring name : {L"Café", L"ベルモラ"}) {
    TTempFolder folder;
    const std::wstring copy = folder.Path() + L"\\" + name + L".exe";
    ASSERT_TRUE(CopyFileW(program().c_str(), copy.c_str(), FALSE));
    WriteBytes(folder / "a.jpg", PhotoWithExif());
    const TRun run = RunProcess(quoted(copy) + L" a.jpg", folder.Path());
    ASSERT_EQ(run.status, 0u) << run.out;

    const std::wstring wide = L"Modified by " + name + L" v0.1.3d";
    std::string text(
        static_cast<size_t>(WideCharToMultiByte(
            CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr)),
        '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                        static_cast<int>(text.size()), nullptr, nullptr);
    text += '\0';
    std::string segment = "\xFF\xFE";
    segment += static_cast<char>((text.size() + 2) >> 8);
    segment += static_cast<char>((text.size() + 2) & 0xFF);
    segment += text;
    EXPECT_NE(ReadBytes(folder / "a.jpg").find(segment), std::string::npos) << U(name);
  }
}

// Switches typed at a console: a check, a quiet strip, JSON, the version; a
// check still runs beside another copy, a strip does not.
TEST(Win32Program, SwitchesOnTheConsole) {
  // clang-format off
  struct Case {
    const char* what;
    std::wstring args;
    DWORD status;
    bool stripped;
    const char* says;
    bool holdTheLock;
  } const cases[] = {
      {"a check",                    L"--check 写真.jpg",            1, false, "写真.jpg: would remove Exif", false},
      {"a quiet strip",              L"-q 写真.jpg",                 0, true,  "1 written",                   false},
      {"JSON",                       L"--json --no-backup 写真.jpg", 0, true,
       "{\"file\":\"写真.jpg\",\"outcome\":\"written\"",                                            false},
      {"the version",                L"--version",                   0, false, "velmora v0.1.3d",             false},
      {"a check beside another copy", L"--check 写真.jpg",           1, false, "would remove Exif",           true},
      {"a strip beside another copy", L"-q 写真.jpg",                3, false, "another copy is running",     true},
  };
  // clang-format on
  for (const Case& c : cases) {
    TTempFolder folder;
    WriteBytes(folder / "写真.jpg", PhotoWithExif());
    platform::TLockResult other{platform::TLockOutcome::Unguarded, nullptr};
    if (c.holdTheLock) other = platform::TInstanceLock::TryAcquire();
    const TRun run = RunProcess(quoted(program()) + L" " + c.args, folder.Path());
    other.lock.reset();
    EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out;
    EXPECT_NE(run.out.find(c.says), std::string::npos) << c.what << "\n" << run.out;
    EXPECT_EQ(run.out.find("MARK=$"), std::string::npos) << c.what << ": no trace lines";
    const std::string after = ReadBytes(folder / "写真.jpg");
    EXPECT_EQ(after.find("secretGPS") == std::string::npos, c.stripped) << c.what;
  }
}

// Through cmd.exe's redirections: the bytes of "-" are those of the strip in place.
TEST(Win32Program, FilterThroughCmdGivesTheBytesOfAStripInPlace) {
  TTempFolder folder;
  WriteBytes(folder / "in.jpg", PhotoWithExif());
  WriteBytes(folder / "a.jpg", PhotoWithExif());
  const TRun piped =
      RunProcess(L"cmd /c \"" + quoted(program()) + L" - < in.jpg > out.jpg\"", folder.Path());
  ASSERT_EQ(piped.status, 0u) << piped.out;
  ASSERT_EQ(RunProcess(quoted(program()) + L" -q a.jpg", folder.Path()).status, 0u);
  const std::string out = ReadBytes(folder / "out.jpg");
  EXPECT_EQ(out, ReadBytes(folder / "a.jpg"));
  EXPECT_EQ(out.find("secretGPS"), std::string::npos);
  EXPECT_EQ(ReadBytes(folder / "in.jpg"), PhotoWithExif());
}

}  // namespace
}  // namespace velmora::test

// The console program (built without the window) end to end through
// CreateProcessW: exit statuses, Japanese names on the command line, and the
// comment's bytes for an executable whose name is not ASCII.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "platform/InstanceLock.h"

namespace velmora::test {
namespace {

std::wstring program() { return OwnFolder() + W(VELMORA_PROGRAM_NAME); }

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

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

// The console program (built without the window) end to end through
// CreateProcessW: exit statuses, Japanese names on the command line, and the
// comment's bytes for an executable whose name is not ASCII.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "WinTestSupport.h"
#include "platform/AppData.h"
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

}  // namespace
}  // namespace velmora::test

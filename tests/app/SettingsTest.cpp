// The settings file: where it lives, how values read, what a close writes, and
// what happens when it cannot be written. Also the value parser and the error
// report's texts.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "ExpectThrowMessage.h"
#include "FormFixture.h"
#include "app/ErrorReport.h"
#include "app/SettingsValue.h"
#include "platform/AppData.h"
#include "platform/IniFile.h"

namespace velmora::test {
namespace {

class Settings : public FormFixture {
 protected:
  bool on(std::string_view key) { return Form().OptionOn(app::SettingsRow(key)); }
  // The settings folder as the form names it, with the platform's separator.
  std::string settingsFolder() const { return platform::SubfolderPath(appData.string(), "BRESKO"); }
};

TEST_F(Settings, FirstRunUsesTheDefaultsAndTheCloseWritesThemInOrder) {
  Form();
  EXPECT_FALSE(on("Write_JFIF"));
  EXPECT_TRUE(on("Delete_after_EOI"));
  EXPECT_FALSE(on("Save_Original_File"));
  EXPECT_TRUE(on("Write_APP14"));
  EXPECT_TRUE(on("Write_Comment"));
  EXPECT_FALSE(on("Original_JFIF"));
  EXPECT_FALSE(on("Keep_Orientation"));
  EXPECT_FALSE(on("Keep_ICC"));
  EXPECT_FALSE(view.soundVisible);
  EXPECT_FALSE(view.soundLabelVisible);
  EXPECT_EQ(Form().SoundNo(), 16);

  Form().FormClose();
  // Written as velmora.ini in the settings folder of the application-data
  // folder the form was given (where ReadSettings looks).
  EXPECT_EQ(ReadSettings(),
            "[CONFIG]\nWrite_Comment=1\nWrite_JFIF=0\nOriginal_JFIF=0\nDelete_after_EOI=1\n"
            "Save_Original_File=0\nWrite_APP14=1\nWave_Sound=16\nWave_Change=0\n"
            "Keep_Orientation=0\nKeep_ICC=0\nLanguage=\n");
}

TEST_F(Settings, ValuesReadByTheirRulesAndWriteBackNormalised) {
  WriteSettings(
      "; kept\n[Other]\nWave_Sound=3\n\n[config]\nwrite_jfif=2\nDelete_after_EOI=yes\n"
      "Write_APP14=0x0\nSave_Original_File= -1\nOriginal_JFIF=$1\nWave_Sound=99\n"
      "Added_By_Hand=1\nkeep_orientation=2\nKeep_ICC=on\nlanguage= ja \n[Tail]\nx=y\n");
  Form();
  EXPECT_TRUE(on("Write_JFIF"));
  EXPECT_TRUE(on("Delete_after_EOI"));  // "yes" is no number: the default
  EXPECT_FALSE(on("Write_APP14"));
  EXPECT_TRUE(on("Save_Original_File"));
  EXPECT_TRUE(on("Original_JFIF"));
  EXPECT_TRUE(on("Keep_Orientation"));
  EXPECT_FALSE(on("Keep_ICC"));  // "on" is no number: the default
  EXPECT_EQ(Form().SoundNo(), 23);

  Form().FormClose();
  const std::string text = ReadSettings();
  EXPECT_EQ(text.find("; kept\n[Other]\nWave_Sound=3\n"), 0u) << text;
  EXPECT_NE(text.find("[Tail]\nx=y\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Added_By_Hand"), std::string::npos) << text;
  const platform::TIniFile ini(SettingsFile().string());
  EXPECT_EQ(ini.ReadString("CONFIG", "Write_JFIF", ""), "1");
  EXPECT_EQ(ini.ReadString("CONFIG", "Wave_Sound", ""), "23");
  EXPECT_EQ(ini.ReadString("CONFIG", "Original_JFIF", ""), "1");
  EXPECT_EQ(ini.ReadString("CONFIG", "Keep_Orientation", ""), "1");
  EXPECT_EQ(ini.ReadString("CONFIG", "Keep_ICC", ""), "0");
  EXPECT_EQ(ini.ReadString("CONFIG", "Language", ""), "ja");
}

// The language is no option: a value that names none is written back empty,
// so the file stays plain ASCII.
TEST_F(Settings, LanguageIsWrittenBackAsAPlainCode) {
  const std::pair<const char*, const char*> cases[] = {
      {"ja", "ja"}, {"fr", "fr"}, {"", ""}, {"日本語", ""}, {"ja jp", ""}};
  for (const auto& [stored, written] : cases) {
    WriteSettings(std::string("[CONFIG]\nLanguage=") + stored + "\n");
    TRecordingView fresh;
    app::TFormEnvironment env{
        files,
        [](const std::string&, const ExifData::TLoadHandle*, ExifData::TPulledOutput&) {
          return std::unique_ptr<platform::TPendingSave>();
        },
        "/opt/velmora", appData.string(), chime};
    app::TFormMain form(fresh, env);
    form.FormCreate();
    form.FormClose();
    EXPECT_EQ(platform::TIniFile(SettingsFile().string()).ReadString("CONFIG", "Language", "?"),
              written)
        << stored;
  }
}

TEST_F(Settings, ChimeNumberIsKeptToItsRange) {
  const std::pair<const char*, int> cases[] = {{"99", 23},   {"-5", 0}, {"abc", 16},
                                               {"0x10", 16}, {"7", 7},  {"", 16}};
  for (const auto& [stored, soundNo] : cases) {
    WriteSettings(std::string("[CONFIG]\nWave_Sound=") + stored + "\n");
    TRecordingView fresh;
    app::TFormEnvironment env{
        files,
        [](const std::string&, const ExifData::TLoadHandle*, ExifData::TPulledOutput&) {
          return std::unique_ptr<platform::TPendingSave>();
        },
        "/opt/velmora", appData.string(), chime};
    app::TFormMain form(fresh, env);
    form.FormCreate();
    EXPECT_EQ(form.SoundNo(), soundNo) << stored;
  }
  EXPECT_TRUE(chime.requests.empty());
}

TEST_F(Settings, TypedNumberIsWrittenAsTheControlReportsIt) {
  WriteSettings("[CONFIG]\nWave_Change=1\n");
  Form();
  view.soundValue = 99;
  Form().FormClose();
  EXPECT_NE(ReadSettings().find("Wave_Sound=99\nWave_Change=1\n"), std::string::npos);
}

TEST_F(Settings, FileInPlaceOfTheFolderGivesTheCreationErrorBox) {
  std::ofstream(appData / "BRESKO") << "not a folder";
  Form();
  EXPECT_EQ(Form().SoundNo(), 16);
  Form().FormClose();
  EXPECT_EQ(view.Only("AbortError:"),
            (std::vector<std::string>{"AbortError:<" + settingsFolder() +
                                      "> creation error.\r\nConfigurations may not be saved."}));
}

TEST_F(Settings, ReadOnlySettingsFileIsReportedAndKept) {
  WriteSettings("[CONFIG]\nWrite_JFIF=1\n");
  std::filesystem::permissions(
      SettingsFile(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  Form();
  EXPECT_TRUE(on("Write_JFIF"));
  EXPECT_THROW_MSG(Form().FormClose(), platform::EIniWriteError,
                   "Cannot write to " + SettingsFile().string());
  EXPECT_EQ(ReadSettings(), "[CONFIG]\nWrite_JFIF=1\n");
}

TEST(SettingsValue, ParsesByTheRules) {
  const std::pair<const char*, std::optional<int32_t>> cases[] = {
      {"0", 0},
      {"16", 16},
      {"  42", 42},
      {"+7", 7},
      {"-5", -5},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", {}},
      {"$10", 16},
      {"x1f", 31},
      {"X1F", 31},
      {"0x10", 16},
      {"0XfF", 255},
      {"0xFFFFFFFF", -1},
      {"-0x1", -1},
      {"0x123456789", {}},
      {"", {}},
      {"abc", {}},
      {"12 ", {}},
      {"1.0", {}},
      {"0x", {}},
      {"-", {}},
      {"yes", {}},
      {"true", {}},
      {"2", 2},
      {"0x0", 0},
      {"$", {}},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(app::ParseSettingsInteger(text), expected) << '"' << text << '"';
}

TEST(ErrorReport, CaptionAndFullStopRule) {
  EXPECT_EQ(app::ErrorReportCaption("/usr/bin/velmora"), "velmora");
  EXPECT_EQ(app::ErrorReportCaption("/opt/v1.2/my.tool.bin"), "my");
  const std::pair<const char*, const char*> cases[] = {
      {"ストリームからの読み取りエラー", "ストリームからの読み取りエラー."},
      {"/x/velmora.ini に書き込めません", "/x/velmora.ini に書き込めません."},
      {"ends with a full stop.", "ends with a full stop."},
      {"ends in a blank ", "ends in a blank "},
      {"ends in a slash/", "ends in a slash/."},
      {"ends in a comma,", "ends in a comma,"},
      {"", ""},
  };
  for (const auto& [message, shown] : cases) EXPECT_EQ(app::ErrorReportText(message), shown);
}

}  // namespace
}  // namespace velmora::test

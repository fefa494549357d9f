// The program's languages: the catalog reader, the catalog built into the
// program, and how the language is chosen.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/Language.h"
#include "platform/EmbeddedCatalogs.h"
#include "platform/MoCatalog.h"
#include "platform/Translation.h"

namespace velmora::test {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// A compiled catalog of `entries`, in the order given, in either byte order.
std::vector<unsigned char> MoBytes(const Entries& entries, bool bigEndian = false) {
  std::vector<unsigned char> bytes;
  auto put = [&](uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      const int shift = bigEndian ? 24 - 8 * i : 8 * i;
      bytes.push_back(static_cast<unsigned char>(value >> shift));
    }
  };
  const auto count = static_cast<uint32_t>(entries.size());
  const uint32_t originals = 28, translations = originals + 8 * count;
  uint32_t text = translations + 8 * count;
  put(0x950412DE);
  put(0);
  put(count);
  put(originals);
  put(translations);
  put(0);
  put(text);
  std::string strings;
  for (bool translated : {false, true}) {
    for (const auto& [original, translation] : entries) {
      const std::string& s = translated ? translation : original;
      put(static_cast<uint32_t>(s.size()));
      put(text + static_cast<uint32_t>(strings.size()));
      strings += s;
      strings += '\0';
    }
  }
  bytes.insert(bytes.end(), strings.begin(), strings.end());
  return bytes;
}

TEST(MoCatalog, FindsEveryEntryInEitherByteOrderSortedOrNot) {
  const Entries sorted{
      {"", "header"}, {"Close", "閉じる"}, {"Error", "エラー"}, {"Warning", "警告"}};
  const Entries unsorted{
      {"Warning", "警告"}, {"", "header"}, {"Error", "エラー"}, {"Close", "閉じる"}};
  for (const Entries* entries : {&sorted, &unsorted}) {
    for (bool bigEndian : {false, true}) {
      SCOPED_TRACE(std::string(entries == &sorted ? "sorted" : "unsorted") +
                   (bigEndian ? ", big-endian" : ", little-endian"));
      const std::vector<unsigned char> bytes = MoBytes(*entries, bigEndian);
      const platform::TMoCatalog catalog(bytes);
      ASSERT_FALSE(catalog.Empty());
      EXPECT_EQ(catalog.Find("Warning"), "警告");
      EXPECT_EQ(catalog.Find("Error"), "エラー");
      EXPECT_EQ(catalog.Find("Close"), "閉じる");
      EXPECT_EQ(catalog.Find("Closed"), std::nullopt);
      EXPECT_EQ(catalog.Find("Clos"), std::nullopt);
      EXPECT_EQ(catalog.Find("warning"), std::nullopt);
    }
  }
}

TEST(MoCatalog, AnUntranslatedEntryIsNoTranslation) {
  const std::vector<unsigned char> bytes = MoBytes({{"Chime", ""}, {"Close", "閉じる"}});
  const platform::TMoCatalog catalog(bytes);
  EXPECT_EQ(catalog.Find("Chime"), std::nullopt);
  EXPECT_EQ(catalog.Find("Close"), "閉じる");
}

// A damaged catalog reads as an empty one and never reads outside its bytes
// (the sanitizer build would catch a read past the end).
TEST(MoCatalog, ADamagedCatalogIsEmpty) {
  const std::vector<unsigned char> good = MoBytes({{"Close", "閉じる"}, {"Error", "エラー"}});
  auto damaged = [&](auto change) {
    std::vector<unsigned char> bytes = good;
    change(bytes);
    return bytes;
  };
  const std::vector<std::pair<const char*, std::vector<unsigned char>>> cases{
      {"empty", {}},
      {"header cut short", std::vector<unsigned char>(good.begin(), good.begin() + 27)},
      {"last string's end cut off", std::vector<unsigned char>(good.begin(), good.end() - 1)},
      {"not a catalog", damaged([](auto& b) { b[0] = 0x00; })},
      {"unknown major revision", damaged([](auto& b) { b[6] = 1; })},
      {"count beyond the bytes", damaged([](auto& b) { b[11] = 0x40; })},
      {"table beyond the bytes", damaged([](auto& b) { b[15] = 0x7F; })},
      {"string offset beyond the bytes", damaged([](auto& b) { b[28 + 7] = 0x7F; })},
      {"string length beyond the bytes", damaged([](auto& b) { b[44 + 3] = 0xFF; })},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    const platform::TMoCatalog catalog(bytes);
    EXPECT_TRUE(catalog.Empty());
    EXPECT_EQ(catalog.Find("Close"), std::nullopt);
  }
}

class Translation : public ::testing::Test {
 protected:
  void TearDown() override { platform::UseLanguage("en"); }
};

// The Japanese texts as the window, its boxes and the console show them.
TEST_F(Translation, TheBuiltInJapaneseCatalogGivesTheJapaneseTexts) {
  ASSERT_FALSE(platform::EmbeddedCatalog("ja").empty());
  const std::vector<std::pair<const char*, const char*>> texts{
      {"Write a fresh JFIF header", "JFIF セグメントを出力"},
      {"Remove data after the end of the image (also motion-photo video, HDR gain maps)",
       "EOI 以降を削除"},
      {"Keep a backup copy of the original (it keeps all metadata)", "元の画像をリネームして残す"},
      {"Keep the Adobe APP14 segment (colours of CMYK files)", "APP14(Adobe) セグメントを出力"},
      {"Chime", "チャイム"},
      {"Warning", "警告"},
      {"Error", "エラー"},
      {"&Abort", "中止(&A)"},
      {"JPEG files (*.jpg;*.jpeg)|*.jpg;*.jpeg|All files (*.*)|*.*",
       "JPEGファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg|すべて(*.*)|*.*"},
      {"Stream read error", "ストリームからの読み取りエラー"},
      {"Cannot open file %s. %s", "ファイル %s は開けません。 %s "},
      {"Cannot create file %s. %s", "ファイル %s を作成できません。 %s"},
      {"Cannot write to file %s. %s", "ファイル %s に書き込めません。 %s"},
      {"Cannot write to %s", "%s に書き込めません"},
      {"Load picture", "Load picture"},
      {"Analyzing...", "Analyzing..."},
  };
  for (const char* code : {"ja", "ja_JP.UTF-8", "JA-jp"}) {
    SCOPED_TRACE(code);
    platform::UseLanguage(code);
    EXPECT_EQ(platform::Language(), "ja");
    for (const auto& [english, japanese] : texts) EXPECT_EQ(platform::Tr(english), japanese);
    EXPECT_EQ(platform::Tr("Strip error."), "Strip error.") << "no entry: the text itself";
  }
  for (const char* code : {"en", "en_GB.UTF-8", "C", "fr_FR.UTF-8", "", "jap"}) {
    SCOPED_TRACE(code);
    platform::UseLanguage(code);
    EXPECT_EQ(platform::Language(), "en");
    for (const auto& [english, japanese] : texts) EXPECT_EQ(platform::Tr(english), english);
  }
}

TEST(LanguageOfLocale, TakesTheLanguageOfANameOrTag) {
  const std::vector<std::pair<const char*, const char*>> cases{
      {"ja_JP.UTF-8", "ja"}, {"ja_JP.eucJP@euro", "ja"},
      {"ja-JP", "ja"},       {"JA", "ja"},
      {"en_US.UTF-8", "en"}, {"C.UTF-8", "en"},
      {"C", "en"},           {"POSIX", "en"},
      {"de", "de"},          {"", ""},
  };
  for (const auto& [name, language] : cases)
    EXPECT_EQ(platform::LanguageOfLocale(name), language) << name;
}

TEST(LanguageSetting, KeepsACodeAndDropsAnythingElse) {
  const std::vector<std::pair<const char*, const char*>> cases{
      {"ja", "ja"},   {" en ", "en"}, {"ja_JP", "ja_JP"}, {"", ""},
      {"日本語", ""}, {"ja;rm", ""},  {"ja\r", ""},
  };
  for (const auto& [value, kept] : cases) EXPECT_EQ(app::LanguageSetting(value), kept) << value;
}

// The settings key wins over the system; without it the system decides.
TEST(ChosenLanguage, TheSettingOverridesTheSystem) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("velmora-language-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
       ".ini");
  const std::string system = platform::SystemLanguage();
  const std::vector<std::pair<const char*, std::string>> cases{
      {"[CONFIG]\nLanguage=ja\n", "ja"},  {"[config]\nlanguage=JA_jp\n", "ja"},
      {"[CONFIG]\nLanguage=en\n", "en"},  {"[CONFIG]\nLanguage=fr\n", "fr"},
      {"[CONFIG]\nLanguage=\n", system},  {"[CONFIG]\nLanguage=日本語\n", system},
      {"[OTHER]\nLanguage=ja\n", system},
  };
  for (const auto& [content, language] : cases) {
    SCOPED_TRACE(content);
    std::ofstream(file, std::ios::binary) << content;
    EXPECT_EQ(app::ChosenLanguage(file.string()), language);
  }
  std::filesystem::remove(file);
  EXPECT_EQ(app::ChosenLanguage(file.string()), system) << "no settings file";
}

#ifndef _WIN32
// The first variable set decides, as for the C library's messages.
TEST(SystemLanguage, FollowsTheLocaleVariablesInTheirOrder) {
  const std::vector<const char*> names{"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::pair<const char*, std::string>> saved;
  for (const char* name : names)
    if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
  struct TCase {
    std::vector<const char*> values;  // in the order of `names`; nullptr: unset
    const char* language;
  };
  const std::vector<TCase> cases{
      {{nullptr, nullptr, nullptr, nullptr}, "en"},
      {{nullptr, nullptr, nullptr, "ja_JP.UTF-8"}, "ja"},
      {{nullptr, nullptr, "ja_JP.UTF-8", "en_US.UTF-8"}, "ja"},
      {{nullptr, "C.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8"}, "en"},
      {{"ja:en", "C.UTF-8", nullptr, "en_US.UTF-8"}, "ja"},
      {{"", "", "", "ja_JP.UTF-8"}, "ja"},
  };
  for (const TCase& c : cases) {
    for (size_t i = 0; i < names.size(); ++i) {
      if (c.values[i] == nullptr)
        unsetenv(names[i]);
      else
        setenv(names[i], c.values[i], 1);
    }
    EXPECT_EQ(platform::SystemLanguage(), c.language) << "case " << (&c - cases.data());
  }
  for (const char* name : names) unsetenv(name);
  for (const auto& [name, value] : saved) setenv(name, value.c_str(), 1);
}
#endif

}  // namespace
}  // namespace velmora::test

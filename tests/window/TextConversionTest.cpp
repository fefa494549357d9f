// Texts crossing into the toolkit: file names in the log and the boxes must
// show whatever bytes they hold, and paths must come back byte for byte.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "window/TextConversion.h"

namespace {

TEST(ToWx, KeepsUtf8AndMarksEachByteThatIsNot) {
  const struct {
    const char* utf8;
    const wchar_t* shown;
  } cases[] = {
      {"ADRS=$000000 MARK=$FFD8 SOI", L"ADRS=$000000 MARK=$FFD8 SOI"},
      {"-----<写真 a.jpg>-----", L"-----<写真 a.jpg>-----"},
      {"\xF0\x9F\x93\xB7.jpg", L"\U0001F4F7.jpg"},  // outside the basic plane
      {"a\xFF"
       "b.jpg",
       L"a\uFFFDb.jpg"},                                  // a Latin-1 name
      {"\xE5\x86", L"\uFFFD\uFFFD"},                      // cut short
      {"\xC0\xAF", L"\uFFFD\uFFFD"},                      // overlong "/"
      {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},            // a surrogate
      {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(window::ToWx(c.utf8), wxString(c.shown)) << c.utf8;
}

// In the "C" locale the console and the tests keep, and in a UTF-8 one as
// the window takes from the desktop; a name that is not UTF-8 comes from the
// toolkit in its file-name conversion.
TEST(PathFromWx, GivesBackTheBytesOfTheNameInAnyLocale) {
  for (const char* locale : {"C", "C.UTF-8"}) {
    SCOPED_TRACE(locale);
    ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr);
    for (const char* path : {"/tmp/photo.jpg", "/tmp/写真 フォルダ/カメラ 1.jpg"})
      EXPECT_EQ(window::PathFromWx(wxString::FromUTF8(path)), path);
    const std::string latin1 = "/tmp/latin1-\xE9t\xE9.jpg";
    EXPECT_EQ(window::PathFromWx(wxString(latin1.c_str(), *wxConvFileName)), latin1);
  }
  std::setlocale(LC_ALL, "C");
}

}  // namespace

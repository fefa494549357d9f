// The window in the language the settings choose: its controls, its boxes,
// the picture dialog and the toolkit's own texts. A user who reads no
// Japanese sees English, and longer English texts still fit.
#include <libintl.h>
#include <unistd.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/translation.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "WindowFixture.h"
#include "window/Boxes.h"
#include "window/TextConversion.h"

namespace velmora::test {
namespace {

struct TLanguageCase {
  const char* setting;
  const char* jfif;
  const char* eoi;
  const char* rename;
  const char* adobe;
  const char* chime;
  const char* warning;
  const char* error;
  const char* abort;
  const char* filter;
  const char* cancel;  // the toolkit's own "Cancel"
};

const TLanguageCase kLanguages[] = {
    {"en", "Write a fresh JFIF header",
     "Remove data after the end of the image (also motion-photo video, HDR gain maps)",
     "Keep a backup copy of the original (it keeps all metadata)",
     "Keep the Adobe APP14 segment (colours of CMYK files)", "Chime", "Warning", "Error", "&Abort",
     "JPEG files (*.jpg;*.jpeg)|*.jpg;*.jpeg|All files (*.*)|*.*", "Cancel"},
    {"ja", "JFIF セグメントを出力", "EOI 以降を削除", "元の画像をリネームして残す",
     "APP14(Adobe) セグメントを出力", "チャイム", "警告", "エラー", "中止(&A)",
     "JPEGファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg|すべて(*.*)|*.*", "キャンセル"},
};

// Answers the picture dialog with Cancel after recording its filter.
class TRecordFilter : public wxExpectModalBase<wxFileDialog, TRecordFilter> {
 public:
  explicit TRecordFilter(std::string& filter) : filter_(filter) {}

 protected:
  int OnInvoked(wxFileDialog* dialog) const override {
    filter_ = window::ToUtf8(dialog->GetWildcard());
    return wxID_CANCEL;
  }

 private:
  std::string& filter_;
};

// What the GTK side makes of the filter: each letter of a pattern in both cases.
std::string caseBlind(const std::string& filter) {
#ifdef __WXGTK__
  return window::ToUtf8(window::CaseBlindWildcard(window::ToWx(filter)));
#else
  return filter;
#endif
}

// Locales compiled for the test into a folder of its own (LOCPATH), so that
// the machine needs none generated.
class TMadeLocales {
 public:
  explicit TMadeLocales(std::initializer_list<const char*> names)
      : folder_(std::filesystem::temp_directory_path() /
                ("velmora-locales-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(folder_);
    for (const char* name : names) {
      const std::string command = std::string("localedef -i ") + name + " -f UTF-8 '" +
                                  (folder_ / (std::string(name) + ".UTF-8")).string() + "'";
      made_ = made_ && std::system(command.c_str()) == 0;
    }
  }
  ~TMadeLocales() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TMadeLocales(const TMadeLocales&) = delete;
  TMadeLocales& operator=(const TMadeLocales&) = delete;
  bool Made() const { return made_; }
  std::string Folder() const { return folder_.string(); }

 private:
  std::filesystem::path folder_;
  bool made_ = true;
};

// Sets environment variables (none: unset) and puts them back when it ends,
// with the process's C locale.
class TLocaleEnvironment {
 public:
  explicit TLocaleEnvironment(
      std::initializer_list<std::pair<const char*, std::optional<std::string>>> values) {
    for (const auto& [name, value] : values) {
      const char* before = std::getenv(name);
      before_.emplace_back(name,
                           before != nullptr ? std::optional<std::string>(before) : std::nullopt);
      set(name, value);
    }
  }
  ~TLocaleEnvironment() {
    for (const auto& [name, value] : before_) set(name.c_str(), value);
    std::setlocale(LC_ALL, "C");
  }
  TLocaleEnvironment(const TLocaleEnvironment&) = delete;
  TLocaleEnvironment& operator=(const TLocaleEnvironment&) = delete;

 private:
  static void set(const char* name, const std::optional<std::string>& value) {
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> before_;
};

class WindowLanguage : public WindowTest {
 protected:
  void Click(const char* name) {
    wxCommandEvent click(wxEVT_BUTTON, Control(name)->GetId());
    click.SetEventObject(Control(name));
    Control(name)->HandleWindowEvent(click);
    Settle();
  }
};

TEST_F(WindowLanguage, TheSettingChoosesEveryTextOfTheWindowAndItsBoxes) {
  for (const TLanguageCase& c : kLanguages) {
    SCOPED_TRACE(c.setting);
    WriteSettings(std::string("[CONFIG]\r\nLanguage=") + c.setting + "\r\nWave_Change=1\r\n");
    ASSERT_TRUE(StartWindow());
    const std::pair<const char*, const char*> labels[] = {
        {"CheckBoxJFIF", c.jfif},   {"CheckBoxEOI", c.eoi},  {"CheckBoxRename", c.rename},
        {"CheckBoxAdobe", c.adobe}, {"LabelSound", c.chime}, {"ButtonLoad", "Load picture"},
        {"ButtonClose", "Close"},
    };
    for (const auto& [name, text] : labels)
      EXPECT_EQ(window::ToUtf8(Control(name)->GetLabel()), text) << name;
    EXPECT_EQ(window::ToUtf8(wxGetTranslation("Cancel")), c.cancel) << "the toolkit's catalog";

    std::ofstream(PhotoPath("notes.txt")) << "just text";
    TBox warning;
    wxTEST_DIALOG(Drop({PhotoPath("notes.txt")}), TExpectBox(warning));
    EXPECT_EQ(warning.caption, c.warning);
    EXPECT_EQ(warning.message, "Strip error.\n<notes.txt> ") << "never translated";

    std::string filter;
    wxTEST_DIALOG(Click("ButtonLoad"), TRecordFilter(filter));
    EXPECT_EQ(filter, caseBlind(c.filter));

    // The settings folder cannot be made: the abort box.
    std::filesystem::remove_all(SettingsFile().parent_path());
    std::ofstream(SettingsFile().parent_path()) << "a file where the folder goes";
    TBox abort;
    wxTEST_DIALOG(Click("ButtonClose"), TExpectBox(abort));
    EXPECT_EQ(abort.caption, c.error);
    EXPECT_EQ(abort.okLabel, c.abort);
    EXPECT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }));
    std::filesystem::remove(SettingsFile().parent_path());
  }
}

// The toolkit's file dialog takes its own texts from the C library's
// catalogs: with the desktop's locale it speaks Japanese to a Japanese user.
// A desktop in a language the program has no catalog for gets English there
// too, not a third language. Numbers keep their full stop, and file names
// still cross to the toolkit and back byte for byte.
TEST_F(WindowLanguage, TheDesktopLocaleReachesTheToolkitsDialogs) {
  const TMadeLocales locales({"ja_JP", "de_DE"});
  ASSERT_TRUE(locales.Made()) << "localedef (package locales) compiles the test's locales";
  const struct {
    const char* lang;
    const char* languageEnv;  // nullptr: not set
    const char* setting;      // the settings' Language
    const char* jfif;
    const char* otherLocations;  // a place in the side bar of GTK's file dialog
  } cases[] = {
      {"ja_JP.UTF-8", nullptr, "", "JFIF セグメントを出力", "他の場所"},
      {"de_DE.UTF-8", nullptr, "", "Write a fresh JFIF header", "Other Locations"},
      {"de_DE.UTF-8", "de", "", "Write a fresh JFIF header", "Other Locations"},
      {"de_DE.UTF-8", nullptr, "ja", "JFIF セグメントを出力", "他の場所"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.lang) + ", LANGUAGE=" + (c.languageEnv ? c.languageEnv : "") +
                 ", Language=" + c.setting);
    const TLocaleEnvironment environment(
        {{"LOCPATH", locales.Folder()},
         {"LANG", c.lang},
         {"LC_ALL", std::nullopt},
         {"LC_MESSAGES", std::nullopt},
         {"LANGUAGE", c.languageEnv ? std::optional<std::string>(c.languageEnv) : std::nullopt}});
    WriteSettings("[CONFIG]\r\nLanguage=" + std::string(c.setting) + "\r\n");
    ASSERT_TRUE(StartWindow());
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), c.lang);
    EXPECT_EQ(window::ToUtf8(Control("CheckBoxJFIF")->GetLabel()), c.jfif);
    EXPECT_STREQ(dgettext("gtk30", "Other Locations"), c.otherLocations);
    EXPECT_STREQ(std::localeconv()->decimal_point, ".");
    for (const std::string path :
         {"/tmp/写真 フォルダ/カメラ 1.jpg", "/tmp/latin1-\xE9t\xE9.jpg"}) {
      const wxString name(path.c_str(), *wxConvFileName);
      EXPECT_EQ(window::PathFromWx(name), path);
    }
    EXPECT_EQ(window::ToUtf8(window::ToWx("写真.jpg")), "写真.jpg");
  }
}

// The designed widths fit the Japanese texts; the English ones widen their
// check boxes and the window, so that no text runs under the picture and the
// controls on the right keep their distance to the right edge.
TEST_F(WindowLanguage, LongerEnglishTextsFitBesideThePicture) {
  WriteSettings("[CONFIG]\r\nLanguage=en\r\n");
  ASSERT_TRUE(StartWindow());
  const wxRect picture = Control("Image1")->GetRect();
  for (const char* name : {"CheckBoxJFIF", "CheckBoxEOI", "CheckBoxRename", "CheckBoxAdobe"}) {
    SCOPED_TRACE(name);
    wxWindow* box = Control(name);
    EXPECT_GE(box->GetSize().GetWidth(), box->GetBestSize().GetWidth()) << "the text is not cut";
    EXPECT_LT(box->GetRect().GetRight(), picture.GetLeft()) << "clear of the picture";
    EXPECT_EQ(box->GetPosition(), wxPoint(48, box->GetPosition().y)) << "left where designed";
  }
  const int width = Window().GetClientSize().GetWidth();
  EXPECT_GT(width, 376);
  EXPECT_EQ(Window().GetClientSize().GetHeight(), 551);
  EXPECT_EQ(width - picture.GetRight(), 376 - (256 + 112 - 1)) << "the picture follows the edge";
  EXPECT_EQ(width - Control("ButtonClose")->GetRect().GetLeft(), 376 - 270);
  EXPECT_EQ(Control("Memo1")->GetSize().GetWidth(), 345 + width - 376) << "the log stretches";

  // Resizing keeps the widened check boxes whole.
  Window().SetClientSize(width + 40, 551);
  ASSERT_TRUE(
      WaitFor([&] { return Control("Memo1")->GetSize().GetWidth() == 345 + width + 40 - 376; }));
  wxWindow* eoi = Control("CheckBoxEOI");
  EXPECT_GE(eoi->GetSize().GetWidth(), eoi->GetBestSize().GetWidth());
}

}  // namespace
}  // namespace velmora::test

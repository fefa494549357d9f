// The window as the user first sees it: caption, size, every control's place,
// text and tab stop, and where the controls go when the window is resized.
#include <wx/checkbox.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/display.h>
#include <wx/iconbndl.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "WindowFixture.h"
#include "window/PictureBox.h"
#include "window/TextConversion.h"

namespace velmora::test {
namespace {

constexpr int kAuto = -1;  // a label's size follows its text

struct TPlace {
  const char* name;
  int left, top, width, height;
};

class WindowLayout : public WindowTest {
 protected:
  void ExpectAt(const std::vector<TPlace>& places) {
    for (const TPlace& place : places) {
      SCOPED_TRACE(place.name);
      const wxRect rect = Control(place.name)->GetRect();
      EXPECT_EQ(rect.GetLeft(), place.left);
      EXPECT_EQ(rect.GetTop(), place.top);
      if (place.width != kAuto) {
        EXPECT_EQ(rect.GetWidth(), place.width);
        EXPECT_EQ(rect.GetHeight(), place.height);
      }
    }
  }
};
// The designed pixels are those of the Japanese texts.
constexpr const char* kJapanese = "[CONFIG]\r\nLanguage=ja\r\n";

TEST_F(WindowLayout, OpensWithCaptionSizeAndEveryControlInPlace) {
  WriteSettings(kJapanese);
  ASSERT_TRUE(StartWindow());
  EXPECT_EQ(window::ToUtf8(Window().GetTitle()), "Velmora");
  EXPECT_EQ(Window().GetClientSize(), wxSize(376, 551));
  const wxSize screen = wxGetDisplaySize();
  EXPECT_EQ(Window().GetScreenPosition(),
            wxPoint((screen.x - Window().GetSize().x) / 2, (screen.y - Window().GetSize().y) / 2))
      << "centred";
  const wxIconBundle icons = Window().GetIcons();
  ASSERT_EQ(icons.GetIconCount(), 6u);
  for (int size : {16, 32, 48, 64, 128, 256})
    EXPECT_EQ(icons.GetIconOfExactSize(size).GetWidth(), size) << size << " px icon";
  ExpectAt({
      {"Image1", 256, 16, 112, 137},
      {"LabelFileName", 126, 8, kAuto, kAuto},
      {"LabelVersion", 32, 526, kAuto, kAuto},
      {"LabelSound", 270, 118, kAuto, kAuto},
      {"ButtonLoad", 32, 8, 75, 25},
      {"Memo1", 16, 152, 345, 360},
      {"ButtonClose", 270, 518, 75, 25},
      {"CheckBoxJFIF", 48, 48, 129, 17},
      {"CheckBoxEOI", 48, 71, 113, 17},
      {"CheckBoxRename", 48, 94, 161, 17},
      {"SpinEditSound", 312, 115, 49, 22},
      {"CheckBoxAdobe", 48, 117, 178, 17},
  });
}

TEST_F(WindowLayout, ResizingMovesRightAndBottomFollowersAndStretchesTheLog) {
  WriteSettings(kJapanese);
  ASSERT_TRUE(StartWindow());
  Window().SetClientSize(476, 611);  // 100 wider, 60 taller
  ASSERT_TRUE(WaitFor([&] { return Control("Memo1")->GetSize() == wxSize(445, 420); }));
  ExpectAt({
      {"Image1", 356, 16, 112, 137},
      {"LabelFileName", 126, 8, kAuto, kAuto},
      {"LabelVersion", 32, 586, kAuto, kAuto},
      {"LabelSound", 370, 118, kAuto, kAuto},
      {"ButtonLoad", 32, 8, 75, 25},
      {"Memo1", 16, 152, 445, 420},
      {"ButtonClose", 370, 578, 75, 25},
      {"CheckBoxJFIF", 48, 48, 129, 17},
      {"CheckBoxEOI", 48, 71, 113, 17},
      {"CheckBoxRename", 48, 94, 161, 17},
      {"SpinEditSound", 412, 115, 49, 22},
      {"CheckBoxAdobe", 48, 117, 178, 17},
  });

  Window().SetClientSize(366, 501);  // 10 narrower and 50 lower than designed
  ASSERT_TRUE(WaitFor([&] { return Control("Memo1")->GetSize() == wxSize(335, 310); }));
  ExpectAt({
      {"Image1", 246, 16, 112, 137},
      {"LabelVersion", 32, 476, kAuto, kAuto},
      {"LabelSound", 260, 118, kAuto, kAuto},
      {"Memo1", 16, 152, 335, 310},
      {"ButtonClose", 260, 468, 75, 25},
      {"SpinEditSound", 302, 115, 49, 22},
      {"CheckBoxAdobe", 48, 117, 178, 17},
  });
}

// In English unless the settings say otherwise (the tests run without a
// locale), in Japanese when they name it.
TEST_F(WindowLayout, ShowsTheDesignedTextsWithTheLogAndFileNameEmpty) {
  ASSERT_TRUE(StartWindow());
  const std::vector<std::pair<const char*, const char*>> labels{
      {"ButtonLoad", "Load picture"},
      {"ButtonClose", "Close"},
      {"CheckBoxJFIF", "Write a fresh JFIF header"},
      {"CheckBoxEOI",
       "Remove data after the end of the image (also motion-photo video, HDR gain maps)"},
      {"CheckBoxRename", "Keep a backup copy of the original (it keeps all metadata)"},
      {"CheckBoxAdobe", "Keep the Adobe APP14 segment (colours of CMYK files)"},
      {"LabelSound", "Chime"},
      {"LabelFileName", ""},
      {"LabelVersion", "v0.1.3d  metadata off, pixels untouched"},
  };
  for (const auto& [name, text] : labels)
    EXPECT_EQ(window::ToUtf8(Control(name)->GetLabel()), text) << name;
  EXPECT_EQ(window::ToUtf8(static_cast<wxTextCtrl*>(Control("Memo1"))->GetValue()), "");

  // The chime selector and its caption are hidden unless the settings show them.
  for (const char* hidden : {"LabelSound", "SpinEditSound"})
    EXPECT_FALSE(Control(hidden)->IsShown());
  for (const char* shown :
       {"Image1", "LabelFileName", "LabelVersion", "ButtonLoad", "Memo1", "ButtonClose",
        "CheckBoxJFIF", "CheckBoxEOI", "CheckBoxRename", "CheckBoxAdobe"})
    EXPECT_TRUE(Control(shown)->IsShown()) << shown;
}

TEST_F(WindowLayout, UsesElevenPixelControlsAndAThirteenPixelFixedPitchLog) {
  ASSERT_TRUE(StartWindow());
  const double ppi = wxScreenDC().GetPPI().GetHeight();
  for (const char* name : {"ButtonLoad", "CheckBoxJFIF", "LabelVersion", "SpinEditSound"})
    EXPECT_NEAR(Control(name)->GetFont().GetFractionalPointSize() * ppi / 72, 11.0, 0.05) << name;

  // A full-width character is one em wide, so two of them measure 2 x 13 pixels.
  const wxFont memo = Control("Memo1")->GetFont();
  EXPECT_TRUE(memo.IsFixedWidth()) << window::ToUtf8(memo.GetFaceName());
  wxScreenDC dc;
  dc.SetFont(memo);
  EXPECT_EQ(dc.GetTextExtent(window::ToWx("ＭＳ")).GetWidth(), 26);
}

TEST_F(WindowLayout, DrawsThePictureScaledIntoTheBoxAtItsTopLeft) {
  ASSERT_TRUE(StartWindow());
  auto* box = static_cast<window::TPictureBox*>(Control("Image1"));
  EXPECT_EQ(box->DrawnSize(), wxSize(109, 137));
}

// The user tabs through the window from "Load picture".
TEST_F(WindowLayout, TabVisitsTheControlsInTheDesignedOrder) {
  for (bool soundShown : {false, true}) {
    SCOPED_TRACE(soundShown ? "selector shown" : "selector hidden");
    WriteSettings(soundShown ? "[CONFIG]\r\nWave_Change=1\r\n" : "");
    ASSERT_TRUE(StartWindow());
    Control("ButtonLoad")->SetFocus();
    ASSERT_TRUE(WaitFor([&] { return wxWindow::FindFocus() == Control("ButtonLoad"); }));

    std::vector<std::string> visited;
    wxUIActionSimulator user;
    for (int i = 0; i < (soundShown ? 8 : 7); ++i) {
      wxWindow* before = wxWindow::FindFocus();
      user.Char(WXK_TAB);
      WaitFor([&] { return wxWindow::FindFocus() != before; });
      wxWindow* focus = wxWindow::FindFocus();
      // The selector's text field is a child of the selector.
      while (focus != nullptr && focus->GetParent() != Control("Memo1")->GetParent())
        focus = focus->GetParent();
      visited.push_back(focus ? window::ToUtf8(focus->GetName()) : "(none)");
    }
    std::vector<std::string> expected{"CheckBoxJFIF", "CheckBoxEOI", "CheckBoxRename",
                                      "CheckBoxAdobe"};
    if (soundShown) expected.push_back("SpinEditSound");
    expected.insert(expected.end(), {"Memo1", "ButtonClose", "ButtonLoad"});
    EXPECT_EQ(visited, expected);
    Window().Close();
    Pump();
  }
}

// Keeps a picture of the window with a log in it, for the eye and the README.
TEST_F(WindowLayout, ScreenshotShowsThePictureAtTheBoxTopLeft) {
  CopyPhoto("et-GoPro.jpg", "カメラ GoPro.jpg");
  CopyPhoto("et-InfiRay.jpg", "infiray.jpg");
  WriteSettings("[CONFIG]\r\nWave_Change=1\r\nWave_Sound=5\r\n");
  ASSERT_TRUE(StartWindow());
  Drop({PhotoPath("カメラ GoPro.jpg"), PhotoPath("infiray.jpg")});
  Window().Raise();
  Pump();

  const wxRect rect(Window().GetScreenPosition(), Window().GetSize());
  wxBitmap shot(rect.GetSize());
  {
    wxMemoryDC memory(shot);
    wxScreenDC screen;
    memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
  }
  ASSERT_TRUE(shot.SaveFile("window.png", wxBITMAP_TYPE_PNG));

  // The picture fills columns 0..108 of the box; 109..111 show the background.
  const wxImage image = shot.ConvertToImage();
  const wxPoint box = Control("Image1")->GetScreenPosition() - rect.GetPosition();
  const wxColour face = Control("Image1")->GetParent()->GetBackgroundColour();
  const auto pixel = [&](int x, int y) {
    return wxColour(image.GetRed(box.x + x, box.y + y), image.GetGreen(box.x + x, box.y + y),
                    image.GetBlue(box.x + x, box.y + y));
  };
  int pictured = 0;
  for (int y = 0; y < 137; ++y) {
    EXPECT_EQ(pixel(110, y), face) << "row " << y;
    if (pixel(54, y) != face) ++pictured;
  }
  EXPECT_GT(pictured, 100);  // the picture runs down most of the box's middle column
}

}  // namespace
}  // namespace velmora::test

// The window for keyboards, screen readers and small sizes: a log that takes
// no typing, names for the controls without a caption, a picture that takes
// no focus, a minimum size that keeps every control whole, and a long file
// name shortened with its whole text in the tooltip.
#include <wx/textctrl.h>
#include <wx/tooltip.h>
#include <wx/uiaction.h>

#include "DesktopFixture.h"
#include "WindowFixture.h"
#include "window/AccessibleName.h"
#include "window/TextConversion.h"

namespace velmora::test {
namespace {

class WindowAccess : public WindowTest {};

TEST_F(WindowAccess, TheLogTakesNoTypingAndTheUncaptionedControlsHaveNames) {
  ASSERT_TRUE(StartWindow());
  auto* log = static_cast<wxTextCtrl*>(Control("Memo1"));
  log->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return wxWindow::FindFocus() == log; }));
  wxUIActionSimulator user;
  user.Text("hello");
  user.Char(WXK_RETURN);
  Pump();
  EXPECT_EQ(window::ToUtf8(log->GetValue()), "");

  EXPECT_EQ(window::AccessibleNameOf(log), "Log");
  EXPECT_EQ(window::AccessibleNameOf(Control("SpinEditSound")), "Chime number");
}

TEST_F(WindowAccess, AClickOnThePictureLeavesTheFocusWhereItWas) {
  ASSERT_TRUE(StartWindow());
  Control("CheckBoxEOI")->SetFocus();
  ASSERT_TRUE(WaitFor([&] { return wxWindow::FindFocus() == Control("CheckBoxEOI"); }));
  const wxRect picture = Control("Image1")->GetScreenRect();
  wxUIActionSimulator user;
  user.MouseMove(picture.x + picture.width / 2, picture.y + picture.height / 2);
  user.MouseClick();
  Pump();
  EXPECT_EQ(wxWindow::FindFocus(), Control("CheckBoxEOI"));
}

TEST_F(WindowAccess, AtItsSmallestEveryControlIsWholeAndApart) {
  WriteSettings("[CONFIG]\r\nWave_Change=1\r\n");  // the chime selector shown too
  ASSERT_TRUE(StartWindow());
  // As it opens: the designed size, wider where a longer text needs it.
  const wxSize opened = Window().GetClientSize();
  const wxSize smallest = Window().GetMinClientSize();
  EXPECT_LE(smallest.x, opened.x);
  EXPECT_LT(smallest.y, opened.y);
  Window().SetClientSize(100, 100);
  ASSERT_TRUE(WaitFor([&] { return Window().GetClientSize() == smallest; }))
      << "kept at " << smallest.x << " x " << smallest.y;
  Pump();

  const char* names[] = {"Image1",      "LabelFileName",  "LabelVersion",  "LabelSound",
                         "ButtonLoad",  "Memo1",          "ButtonClose",   "CheckBoxJFIF",
                         "CheckBoxEOI", "CheckBoxRename", "SpinEditSound", "CheckBoxAdobe"};
  const wxRect client(wxPoint(0, 0), Window().GetClientSize());
  for (size_t i = 0; i < std::size(names); ++i) {
    const std::string name = names[i];
    const wxRect rect = Control(names[i])->GetRect();
    EXPECT_TRUE(client.Contains(rect)) << name;
    // Captions fit (the file name and version are shortened to fit, with the
    // whole text in the tooltip; the log scrolls).
    if (name.rfind("CheckBox", 0) == 0 || name == "LabelSound") {
      EXPECT_GE(rect.width, Control(names[i])->GetBestSize().x) << name;
    }
    if (name.rfind("Button", 0) == 0) {
      EXPECT_GT(rect.width, Control(names[i])->GetTextExtent(Control(names[i])->GetLabel()).x)
          << name;
    }
    for (size_t j = i + 1; j < std::size(names); ++j) {
      // The chime selector and its caption lie on the picture, and the log
      // touches its lower edge, as designed.
      const std::string other = names[j];
      if (name == "Image1" &&
          (other == "LabelSound" || other == "SpinEditSound" || other == "Memo1"))
        continue;
      EXPECT_FALSE(rect.Intersects(Control(names[j])->GetRect())) << name << ", " << other;
    }
  }
}

TEST_F(WindowAccess, ALongFileNameIsShortenedBeforeThePictureAndWholeInItsTooltip) {
  const std::string name = "a rather long name for a photo taken on the last day of the trip.jpg";
  CopyPhoto("et-GoPro.jpg", name);
  ASSERT_TRUE(StartWindow());
  Drop({PhotoPath(name)});
  wxWindow* label = Control("LabelFileName");
  EXPECT_EQ(window::ToUtf8(label->GetLabel()), name);
  ASSERT_NE(label->GetToolTip(), nullptr);
  EXPECT_EQ(window::ToUtf8(label->GetToolTip()->GetTip()), name);
  EXPECT_LT(label->GetRect().GetRight(), Control("Image1")->GetRect().GetLeft());
}

class WindowScale : public DesktopTest {};

// A desktop set to larger text: the window and its layout grow with it.
TEST_F(WindowScale, LargerDesktopTextGrowsTheWholeWindow) {
  // In Japanese, whose texts fit the designed size, so that the size is the
  // design's grown by the scale alone.
  setenv("GDK_DPI_SCALE", "1.6", 1);
  setenv("LANGUAGE", "ja", 1);
  const pid_t program = Start({VELMORA_WINDOW_PROBE}, OutputFile("program.txt"));
  unsetenv("GDK_DPI_SCALE");
  unsetenv("LANGUAGE");
  const std::string window = WindowNamed("Velmora");
  ASSERT_FALSE(window.empty());
  const wxRect geometry = Geometry(window);
  EXPECT_NEAR(geometry.width, 376 * 1.6, 2);
  EXPECT_NEAR(geometry.height, 551 * 1.6, 2);
  ASSERT_TRUE(Activate(window));
  Xdo({"key", "Escape"});
  EXPECT_EQ(Finish(program), 0);
}

}  // namespace
}  // namespace velmora::test

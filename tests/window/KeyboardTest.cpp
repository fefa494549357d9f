// What the user does with the keyboard and the option controls: Esc, the
// chime number, and the check boxes, whose states the settings keep.
#include <wx/checkbox.h>
#include <wx/spinctrl.h>
#include <wx/uiaction.h>

#include "WindowFixture.h"
#include "window/TextConversion.h"

namespace velmora::test {
namespace {

class WindowKeyboard : public WindowTest {
 protected:
  void Focus(const char* name) {
    Control(name)->SetFocus();
    ASSERT_TRUE(WaitFor([&] {
      for (wxWindow* focus = wxWindow::FindFocus(); focus; focus = focus->GetParent())
        if (focus == Control(name)) return true;
      return false;
    }));
  }
};

TEST_F(WindowKeyboard, EscClosesTheWindowLikeCloseExceptInTheLog) {
  const std::vector<std::pair<const char*, bool>> cases{
      {"ButtonLoad", true}, {"CheckBoxAdobe", true}, {"ButtonClose", true}, {"Memo1", false}};
  for (const auto& [focus, closes] : cases) {
    SCOPED_TRACE(focus);
    std::filesystem::remove(SettingsFile());
    ASSERT_TRUE(StartWindow());
    Focus(focus);
    wxUIActionSimulator().Char(WXK_ESCAPE);
    if (closes) {
      WaitFor([&] { return Host().Window() == nullptr; });
    } else {
      Pump();  // the key has been handled, and the window is still there
    }
    EXPECT_EQ(Host().Window() == nullptr, closes);
    EXPECT_EQ(std::filesystem::exists(SettingsFile()), closes) << "the close writes the settings";
  }
}

TEST_F(WindowKeyboard, ChangingTheChimeNumberPlaysItAndItIsKept) {
  WriteSettings("[CONFIG]\r\nWave_Sound=5\r\nWave_Change=1\r\n");
  ASSERT_TRUE(StartWindow());
  auto* spin = static_cast<wxSpinCtrl*>(Control("SpinEditSound"));
  ASSERT_TRUE(spin->IsShown());
  ASSERT_TRUE(Control("LabelSound")->IsShown());
  EXPECT_EQ(window::ToUtf8(spin->GetTextValue()), "5");
  EXPECT_TRUE(chime.requests.empty()) << "setting the number at start plays nothing";
  Window().SetSoundValue(9);
  Pump();
  EXPECT_EQ(Window().SoundValue(), 9);
  EXPECT_TRUE(chime.requests.empty()) << "a number set by the program is not a change by the user";

  // The user types a number and leaves the field; out of range is pulled in.
  struct TStep {
    const char* typed;
    int played;
  };
  for (const TStep step : {TStep{"7", 7}, TStep{"99", 23}, TStep{"0", -1}}) {
    SCOPED_TRACE(step.typed);
    chime.requests.clear();
    Focus("SpinEditSound");
    wxUIActionSimulator user;
    user.Char('a', wxMOD_CONTROL);
    user.Text(step.typed);
    user.Char(WXK_TAB);
    WaitFor([&] { return wxWindow::FindFocus() == Control("Memo1"); });
    Pump();
    if (step.played < 0) {
      EXPECT_TRUE(chime.requests.empty()) << "number 0 is silence";
    } else {
      ASSERT_FALSE(chime.requests.empty());
      EXPECT_EQ(chime.requests.back(), "async:" + std::to_string(step.played));
    }
  }

  // The arrow keys step the number.
  Focus("SpinEditSound");
  chime.requests.clear();
  wxUIActionSimulator().Char(WXK_UP);
  ASSERT_TRUE(WaitFor([&] { return !chime.requests.empty(); }));
  EXPECT_EQ(chime.requests.back(), "async:1");

  Window().Close();
  ASSERT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }));
  EXPECT_EQ(Setting("Wave_Sound"), "1");
}

TEST_F(WindowKeyboard, CheckBoxesShowTheStoredOptionsAndTheUsersChoiceIsStored) {
  WriteSettings(
      "[CONFIG]\r\nWrite_JFIF=1\r\nDelete_after_EOI=0\r\nSave_Original_File=1\r\n"
      "Write_APP14=0\r\n");
  ASSERT_TRUE(StartWindow());
  const auto checked = [&](const char* name) {
    return static_cast<wxCheckBox*>(Control(name))->GetValue();
  };
  EXPECT_TRUE(checked("CheckBoxJFIF"));
  EXPECT_FALSE(checked("CheckBoxEOI"));
  EXPECT_TRUE(checked("CheckBoxRename"));
  EXPECT_FALSE(checked("CheckBoxAdobe"));

  // Space toggles the focused box, as a click would.
  for (const char* name : {"CheckBoxJFIF", "CheckBoxAdobe"}) {
    Focus(name);
    wxUIActionSimulator().Char(WXK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return checked(name) == (std::string(name) == "CheckBoxAdobe"); }))
        << name;
  }
  Window().Close();
  ASSERT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }));
  const std::vector<std::pair<const char*, const char*>> stored{{"Write_JFIF", "0"},
                                                                {"Delete_after_EOI", "0"},
                                                                {"Save_Original_File", "1"},
                                                                {"Write_APP14", "1"}};
  for (const auto& [key, value] : stored) EXPECT_EQ(Setting(key), value) << key;
}

}  // namespace
}  // namespace velmora::test

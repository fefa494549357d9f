// A main window with its real logic in a temporary world: a settings folder
// of its own (XDG_CONFIG_HOME), a folder for photos, a chime player that
// records, and a save that records and can be made to fail for chosen files.
#pragma once

#include <gtest/gtest.h>

#define wxTEST_DIALOG_HOOK_CLASS GTestModalHook
#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "RecordingChime.h"
#include "platform/Files.h"
#include "window/WindowHost.h"

// Failures of wxTEST_DIALOG become test failures.
class GTestModalHook : public wxTestingModalHook {
 public:
  using wxTestingModalHook::wxTestingModalHook;

 protected:
  void ReportFailure(const wxString& message) override { ADD_FAILURE() << message.utf8_string(); }
};

namespace velmora::test {

// What a message box showed.
struct TBox {
  std::string caption;
  std::string message;
  std::string okLabel;
  long icon = 0;     // the wxICON_* bits
  long buttons = 0;  // the wxOK / wxCANCEL / wxYES / wxNO bits
  // Centred on a parent that was on screen when the box came up.
  bool onShownWindow = false;
};

// Expects one message box, records it and answers with its only button.
class TExpectBox : public wxExpectModalBase<wxMessageDialog, TExpectBox> {
 public:
  explicit TExpectBox(TBox& seen) : seen_(seen) {}
  // Error boxes seen so far by any expectation.
  static inline int errorBoxes = 0;

 protected:
  int OnInvoked(wxMessageDialog* box) const override;

 private:
  TBox& seen_;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the window and runs its creation and first showing with `args`.
  // Returns what TWindowHost::Start returns.
  bool StartWindow(const std::vector<std::string>& args = {});
  window::TMainWindow& Window() const;
  wxWindow* Control(const char* name) const;
  window::TWindowHost& Host() const { return *host_; }
  std::vector<std::string> LogLines() const;
  // Drops the files through the toolkit's drop target of the window, or of
  // the control `on`, as the desktop would, and settles.
  void Drop(const std::vector<std::string>& paths, const char* on = nullptr);
  // Lets the event loop run the batches until none runs or an error box has
  // been shown, as a user would wait; does nothing inside an event handler.
  void Settle();

  // Runs `step` from the message pump of the next batch's first file, as an
  // action of the user during that batch arrives.
  void DuringNextBatch(std::function<void()> step);

  // Copies a photo of the corpus into the photo folder as `as`; without the
  // corpus a built JPEG with an Exif segment takes its place.
  void CopyPhoto(const std::string& photo, const std::string& as);
  std::string PhotoPath(const std::string& name) const { return (photos_ / name).string(); }
  // The settings file the window reads and writes.
  std::filesystem::path SettingsFile() const;
  void WriteSettings(const std::string& content) const;
  std::string ReadSettings() const;
  // The value the settings file holds for `key`, "" when absent.
  std::string Setting(const std::string& key) const;

  // Pumps events until `done` holds or `milliseconds` pass. The default is
  // the bound of a hang on the busiest machine, not a wait.
  bool WaitFor(const std::function<bool()>& done, int milliseconds = 60000);
  // Pumps events until the toolkit has handled everything asked of it so far,
  // the display's answers included: what a user's step set off has happened.
  void Pump();

  // Paths the window saved, in order; saves of paths in `refusedSaves` throw.
  std::vector<std::string> saves;
  // Called before each save, on the thread that does the file work.
  std::function<void(const std::string& path)> beforeSave;
  std::set<std::string> refusedSaves;
  TRecordingChime chime;

 private:
  std::filesystem::path temp_;
  std::filesystem::path config_;
  std::filesystem::path photos_;
  platform::TPlatformFiles files_;
  std::unique_ptr<window::TWindowHost> host_;
};

// What the window writes into a settings file it makes, with `changes`
// ("Key=value" lines) in place of the defaults of those keys.
std::string WrittenSettings(const std::vector<std::string>& changes = {});

// Whole file contents, for before/after comparisons.
std::string ReadFile(const std::string& path);
// True when the file holds an Exif APP1 segment.
bool HasExif(const std::string& path);

}  // namespace velmora::test

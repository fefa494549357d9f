#include "WindowFixture.h"

#include <wx/app.h>
#include <wx/dnd.h>
#include <wx/evtloop.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "JpegBuilder.h"
#include "platform/AppData.h"
#include "window/GtkFunction.h"
#include "window/TextConversion.h"

namespace velmora::test {

int TExpectBox::OnInvoked(wxMessageDialog* box) const {
  const long style = box->GetMessageDialogStyle();
  wxString okLabel = box->GetOKLabel();
#ifdef __WXGTK__
  okLabel.Replace("_", "&");  // GTK marks the access key with "_"
#endif
  if ((style & wxICON_MASK) == wxICON_ERROR) ++errorBoxes;
  const wxWindow* parent = box->GetParent();
  seen_ = {window::ToUtf8(box->GetCaption()),
           window::ToUtf8(box->GetMessage()),
           window::ToUtf8(okLabel),
           style & wxICON_MASK,
           style & (wxOK | wxCANCEL | wxYES | wxNO),
           parent != nullptr && parent->IsShownOnScreen() && (style & wxCENTRE) != 0};
  return wxID_OK;
}

void WindowTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-window-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  temp_ = pattern;
  config_ = temp_ / "config";
  photos_ = temp_ / "photos";
  std::filesystem::create_directories(config_);
  std::filesystem::create_directories(photos_);
  setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
}

void WindowTest::TearDown() {
  host_.reset();
  WaitFor([] { return wxTopLevelWindows.empty(); }, 2000);
  while (wxIsBusy()) wxEndBusyCursor();
  std::error_code ignored;
  std::filesystem::remove_all(temp_, ignored);
}

bool WindowTest::StartWindow(const std::vector<std::string>& args) {
  app::TFormEnvironment environment{
      files_,
      [this](const std::string& path, const ExifData::TLoadHandle* loaded,
             ExifData::TPulledOutput& output) {
        if (beforeSave) beforeSave(path);
        if (refusedSaves.count(path) != 0)
          throw platform::EFileError(path + ": refused by the test");
        saves.push_back(path);
        return platform::BeginSave(path, loaded, output);
      },
      platform::ExecutablePath(),
      platform::AppDataFolder(),
      chime,
  };
  host_ = std::make_unique<window::TWindowHost>(std::move(environment));
  const bool open = host_->Start(args);
  Pump();
  return open;
}

window::TMainWindow& WindowTest::Window() const {
  window::TMainWindow* window = host_ ? host_->Window() : nullptr;
  if (window == nullptr) throw std::logic_error("the window is gone");
  return *window;
}

wxWindow* WindowTest::Control(const char* name) const {
  // The window names each control after its row in the control table.
  wxWindow* control = wxWindow::FindWindowByName(name, &Window());
  if (control == nullptr) throw std::logic_error(std::string("no control ") + name);
  return control;
}

std::vector<std::string> WindowTest::LogLines() const {
  auto* memo = static_cast<wxTextCtrl*>(Control("Memo1"));
  std::vector<std::string> lines;
  std::istringstream text(window::ToUtf8(memo->GetValue()));
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

void WindowTest::Drop(const std::vector<std::string>& paths, const char* on) {
  // The desktop hands a drop to the nearest window under the mouse that
  // takes drops.
  wxWindow* target = on != nullptr ? Control(on) : &Window();
  while (target->GetDropTarget() == nullptr && target->GetParent() != nullptr)
    target = target->GetParent();
  auto* files = dynamic_cast<wxFileDropTarget*>(target->GetDropTarget());
  ASSERT_NE(files, nullptr) << "no file drop target";
  wxArrayString names;
  for (const std::string& path : paths) names.Add(window::ToWx(path));
  files->OnDropFiles(10, 10, names);
  Settle();
}

void WindowTest::DuringNextBatch(std::function<void()> step) {
  // Queued now, it queues the step behind the drop that the test makes next.
  Window().CallAfter([this, step = std::move(step)] { Window().CallAfter(step); });
}

void WindowTest::Settle() {
  const wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (loop != nullptr && loop->IsYielding()) return;  // called from an event handler
  const int errors = TExpectBox::errorBoxes;
  const auto settled = [&] {
    // A drop begins its batch from a deferred call, so pending calls count.
    return !host_ || TExpectBox::errorBoxes != errors ||
           (!host_->Form().BatchRunning() && !wxTheApp->HasPendingEvents());
  };
  // The window's deferred calls one at a time, so that the test sees the
  // moment right after an error box, before the batches that waited go on.
  for (int waited = 0, round = 0; waited < 30000 && !settled(); ++round) {
    wxEvtHandler* window = host_->Window();
    // Another handler's calls, if any, go with a yield now and then.
    if (window != nullptr && wxTheApp->HasPendingEvents() && round % 100 != 99) {
      window->ProcessPendingEvents();
    } else {
      wxYield();
      wxMilliSleep(10);
      waited += 10;
    }
  }
}

void WindowTest::CopyPhoto(const std::string& photo, const std::string& as) {
  const std::filesystem::path source = std::filesystem::path(VELMORA_CORPUS_DIR) / photo;
  if (std::filesystem::exists(source)) {
    std::filesystem::copy_file(source, photos_ / as);
  } else {
    // Without the photo corpus a built JPEG with an Exif segment stands in, so
    // that the routes are still exercised.
    const std::vector<uint8_t> bytes = velmora::test::JpegBuilder()
                                           .SOI()
                                           .APP1(200)
                                           .DQT()
                                           .SOF0()
                                           .DHT()
                                           .SOS()
                                           .Data(2000)
                                           .EOI()
                                           .Build();
    std::ofstream(photos_ / as, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::permissions(photos_ / as, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

std::filesystem::path WindowTest::SettingsFile() const {
  const std::filesystem::path exe = platform::ExecutablePath();
  return config_ / "BRESKO" / (exe.stem().string() + ".ini");
}

void WindowTest::WriteSettings(const std::string& content) const {
  std::filesystem::create_directories(SettingsFile().parent_path());
  std::ofstream(SettingsFile(), std::ios::binary) << content;
}

std::string WindowTest::ReadSettings() const { return ReadFile(SettingsFile().string()); }

std::string WindowTest::Setting(const std::string& key) const {
  std::istringstream text(ReadSettings());
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return "";
}

bool WindowTest::WaitFor(const std::function<bool()>& done, int milliseconds) {
  // By the clock: a condition that itself takes time (one that asks another
  // program) must not stretch the wait.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (done()) return true;
    wxYield();
    wxMilliSleep(10);
  }
  return done();
}

void WindowTest::Pump() {
  // A round trip to the display first: its events for the requests made so
  // far (configure, expose, focus, XTEST input) are then in the queue. The
  // call that comes after them marks the end of what is queued now.
  using TDefaultDisplay = void* (*)();
  using TSync = void (*)(void*);
  static const auto defaultDisplay =
      window::GtkFunction<TDefaultDisplay>("gdk_display_get_default");
  static const auto sync = window::GtkFunction<TSync>("gdk_display_sync");
  if (defaultDisplay != nullptr && sync != nullptr) sync(defaultDisplay());
  const auto reached = std::make_shared<bool>(false);
  wxTheApp->CallAfter([reached] { *reached = true; });
  const bool drained = WaitFor([&] { return *reached && !wxTheApp->Pending(); });
  EXPECT_TRUE(drained) << "the toolkit never ran out of work";
}

std::string WrittenSettings(const std::vector<std::string>& changes) {
  // Written out, not taken from the settings table, so that a slip there shows.
  std::vector<std::string> lines{
      "Write_Comment=1",      "Write_JFIF=0",  "Original_JFIF=0", "Delete_after_EOI=1",
      "Save_Original_File=0", "Write_APP14=1", "Wave_Sound=16",   "Wave_Change=0",
      "Keep_Orientation=0",   "Keep_ICC=0",    "Language="};
  for (const std::string& change : changes) {
    const std::string key = change.substr(0, change.find('=') + 1);
    for (std::string& line : lines)
      if (line.rfind(key, 0) == 0) line = change;
  }
  std::string text = "[CONFIG]\n";
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool HasExif(const std::string& path) {
  return ReadFile(path).find(std::string("Exif\0\0", 6)) != std::string::npos;
}

}  // namespace velmora::test

#include "FormFixture.h"

#include <fstream>
#include <sstream>

namespace velmora::test {

Bytes SampleJpeg() {
  return {
      0xFF, 0xD8,                                                  // SOI
      0xFF, 0xE0, 0x00, 0x06, 'J',  'F',  'I',  'F',               // APP0
      0xFF, 0xE1, 0x00, 0x08, 'E',  'x',  'i',  'f',  0x00, 0x00,  // APP1
      0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01,                          // DQT
      0xFF, 0xC0, 0x00, 0x05, 0x08, 0x00, 0x01,                    // SOF0
      0xFF, 0xC4, 0x00, 0x04, 0x00, 0x02,                          // DHT
      0xFF, 0xDA, 0x00, 0x03, 0x01, 0x12, 0x34, 0xFF, 0x00, 0x56,  // SOS + data
      0xFF, 0xD9,                                                  // EOI
      0xAA, 0xBB,                                                  // trailer
  };
}

FormFixture::FormFixture() {
  appData = std::filesystem::temp_directory_path() /
            ("velmora-app-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(appData);
  std::filesystem::create_directories(appData);
}

FormFixture::~FormFixture() {
  std::error_code ignored;
  std::filesystem::permissions(appData / "BRESKO", std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(appData, ignored);
}

app::TFormMain& FormFixture::Form() {
  if (!form_) {
    app::TFormEnvironment env{
        files,
        [this](const std::string& path, const ExifData::TLoadHandle*,
               ExifData::TPulledOutput& output) -> std::unique_ptr<platform::TPendingSave> {
          if (readOnly.count(path) != 0)
            throw platform::EFileError("ファイル " + path +
                                       " を作成できません。 Permission denied");
          if (changed.count(path) != 0) throw platform::EFileChanged(path);
          // Pulled as the real save pulls it.
          while (!output.Pull().empty()) {
          }
          Bytes& bytes = saved[path];
          bytes.clear();
          for (const auto piece : output.Pieces())
            bytes.insert(bytes.end(), piece.begin(), piece.end());
          return nullptr;
        },
        "/opt/velmora/velmora.bin",
        appData.string(),
        chime,
    };
    form_ = std::make_unique<app::TFormMain>(view, env);
    view.onClose = [this] { form_->FormClose(); };
    form_->FormCreate();
  }
  return *form_;
}

std::filesystem::path FormFixture::SettingsFile() const {
  return appData / "BRESKO" / "velmora.ini";
}

void FormFixture::WriteSettings(const std::string& text) {
  std::filesystem::create_directories(appData / "BRESKO");
  std::ofstream(SettingsFile(), std::ios::binary) << text;
}

std::string FormFixture::ReadSettings() const {
  std::ifstream in(SettingsFile(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string bytes = text.str();
#ifdef _WIN32
  // Lines the program adds end in CRLF here; the tests compare the text.
  for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at)) {
    bytes.erase(at, 1);
  }
#endif
  return bytes;
}

}  // namespace velmora::test

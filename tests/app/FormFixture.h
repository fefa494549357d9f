// TFormMain over a recording view, in-memory files and a recording chime
// player; the settings live in a temporary folder on disk.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FakeFileAccess.h"
#include "RecordingChime.h"
#include "RecordingView.h"
#include "app/TFormMain.h"
#include "platform/Files.h"

namespace velmora::test {

using Bytes = std::vector<uint8_t>;

// Files in memory; a missing one fails to load.
using TMemoryFiles = velmora::test::TFakeFileAccess;

// A small baseline JPEG: SOI, APP0, APP1, DQT, SOF0, DHT, SOS, data, EOI, trailer.
Bytes SampleJpeg();

class FormFixture : public ::testing::Test {
 protected:
  FormFixture();
  ~FormFixture() override;

  // The form, created on first use so that a test can prepare the settings first.
  app::TFormMain& Form();
  std::filesystem::path SettingsFile() const;
  void WriteSettings(const std::string& text);
  std::string ReadSettings() const;

  TRecordingView view;
  TMemoryFiles files;
  TRecordingChime chime;
  std::map<std::string, Bytes> saved;
  std::set<std::string> readOnly;  // saves to these paths fail
  std::set<std::string> changed;   // these files changed after their load
  std::filesystem::path appData;

 private:
  std::unique_ptr<app::TFormMain> form_;
};

}  // namespace velmora::test

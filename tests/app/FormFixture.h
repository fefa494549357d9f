// TFormMain over a recording view, in-memory files and a recording chime
// player; the settings live in a temporary folder on disk.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "RecordingView.h"
#include "app/TFormMain.h"
#include "platform/Files.h"
#include "platform/Sound.h"

namespace apptest {

using Bytes = std::vector<uint8_t>;

class TMemoryFiles : public ExifData::TFileAccess {
 public:
  std::map<std::string, Bytes> files;
  std::set<std::string> failingBackups;
  std::vector<std::string> backups;  // backup names asked for, in order

  ExifData::TLoadResult LoadFile(const std::string& path, ExifData::TMemoryStream& into) override {
    into.Clear();
    auto it = files.find(path);
    if (it == files.end())
      return {ExifData::TLoadResult::TKind::Failed,
              "ファイル /x/" + path + " は開けません。 gone "};
    into.Bytes() = it->second;
    return {};
  }
  ExifData::TBackupOutcome CopyToBackup(const std::string& existing,
                                        const std::string& backup) override {
    using ExifData::TBackupOutcome;
    backups.push_back(backup);
    if (failingBackups.count(existing) != 0) return TBackupOutcome::Failed;
    if (auto taken = files.find(backup); taken != files.end()) {
      return taken->second == files.at(existing) ? TBackupOutcome::Kept : TBackupOutcome::Occupied;
    }
    files[backup] = files.at(existing);
    return TBackupOutcome::Written;
  }
};

class TRecordingChime : public platform::TChimePlayer {
 public:
  std::vector<std::string> requests;  // "async:16", "sync:16"
  void Play(int number, bool wait) override {
    requests.push_back((wait ? "sync:" : "async:") + std::to_string(number));
  }
};

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

}  // namespace apptest

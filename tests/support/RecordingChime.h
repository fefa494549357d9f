// A chime player that plays nothing and records each request.
#pragma once

#include <string>
#include <vector>

#include "platform/Sound.h"

namespace velmora::test {

class TRecordingChime : public platform::TChimePlayer {
 public:
  std::vector<std::string> requests;  // "async:16", "sync:16", in order
  void Play(int number, bool wait) override {
    requests.push_back((wait ? "sync:" : "async:") + std::to_string(number));
  }
};

}  // namespace velmora::test

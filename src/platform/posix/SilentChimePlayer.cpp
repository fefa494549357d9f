#include "platform/Sound.h"

namespace platform {
namespace {
class TSilentPlayer : public TChimePlayer {
 public:
  void Play(int, bool) override {}
};
}  // namespace
std::unique_ptr<TChimePlayer> MakeChimePlayer() { return std::make_unique<TSilentPlayer>(); }
}  // namespace platform

#include "app/OtherCopies.h"

#include <memory>

#include "platform/InstanceChannel.h"

namespace app {

TOtherCopies ListenForOtherCopies() {
  std::shared_ptr<platform::TInstanceServer> server = platform::TInstanceServer::Listen();
  if (!server) return {};
  const int fd = server->ReadyFd();
  return {[server](TFormMain& form) { form.OtherCopiesStarted(server->TakeRequests()); }, fd};
}

}  // namespace app

#include "app/OtherCopies.h"

#include <memory>

#include "platform/InstanceChannel.h"

namespace app {

TFormTask ListenForOtherCopies() {
  std::shared_ptr<platform::TInstanceServer> server = platform::TInstanceServer::Listen();
  if (!server) return {};
  return [server](TFormMain& form) { form.OtherCopiesStarted(server->TakeRequests()); };
}

}  // namespace app

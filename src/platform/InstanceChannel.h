// A second copy of the program hands its files to the running one instead of
// losing them. The running copy listens on a channel private to the user,
// beside its single-instance lock (POSIX: a Unix socket in the lock's 0700
// folder; Windows: a named pipe that only the user may open). The channel
// carries nothing but one list of file names per connection and a one-byte
// answer, so a peer can ask the running copy to strip files and to come to
// the front, and nothing else.
//
// The toolkit's own inter-process classes were not taken: the console run and
// the second copy must not load the toolkit, and its IPC brings no owner check.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/InstanceLock.h"

namespace platform {

// One request: the files of a second copy's command line, as absolute paths
// in its order; empty when it was started without files.
using TInstanceRequest = std::vector<std::string>;

// The running copy's end, called from the event loop: it never waits for a
// peer that has not connected, and a connected peer gets a short deadline.
class TInstanceServer {
 public:
  // Starts listening for the instance `name`; call it while holding the lock.
  // nullptr when no private channel can be made (the program then runs as
  // before: a second copy reports that another copy is running).
  static std::unique_ptr<TInstanceServer> Listen(std::string_view name = kInstanceName);
  virtual ~TInstanceServer() = default;
  // The requests that have arrived since the last call, each answered.
  virtual std::vector<TInstanceRequest> TakeRequests() = 0;
  // A descriptor that is readable while a peer waits to be taken, for the
  // event loop to watch; -1 where there is none (the loop then asks now and
  // then).
  virtual int ReadyFd() const { return -1; }
};

// How long a second copy keeps trying to reach the running copy, which has
// the lock but may still be opening its channel.
inline constexpr std::chrono::milliseconds kConnectDeadline{2000};

// The second copy's end: hands `files` (made absolute here, since the running
// copy has another working folder) to the running copy. True when that copy
// took them; false when none listens (it runs without a window) or it did not
// answer.
bool HandToRunningCopy(const std::vector<std::string>& files, std::string_view name = kInstanceName,
                       std::chrono::milliseconds connectDeadline = kConnectDeadline);

// The wire format, the same on both sides: a 32-bit little-endian byte count,
// then every name followed by a NUL byte. The running copy accepts at most
// kMaxRequestBytes and only absolute names without NUL.
inline constexpr uint32_t kMaxRequestBytes = 1U << 20;
inline constexpr char kRequestTaken = '1';
std::string EncodeInstanceRequest(const TInstanceRequest& files);
// The names of a request's body (without the count); nullopt when it is not
// a list of absolute names.
std::optional<TInstanceRequest> DecodeInstanceRequest(std::string_view body);

}  // namespace platform

// The channel beside the lock, POSIX side: a Unix stream socket "<name>.sock"
// in the lock's folder. The running copy binds it only in a folder that is
// the user's alone (0700, owned), and both ends check the peer's user id
// from the kernel (SO_PEERCRED), so another user can neither send nor pose
// as the running copy.
#include "platform/InstanceChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/posix/InstanceFolder.h"
#include "platform/posix/UniqueFd.h"

namespace platform {
namespace {

using TClock = std::chrono::steady_clock;

// How long a connected second copy may take to send its list; how long it
// waits for the answer.
constexpr auto kPeerDeadline = std::chrono::seconds(5);
constexpr auto kAnswerDeadline = std::chrono::seconds(20);

std::string socketName(std::string_view name) { return std::string(name) + ".sock"; }

bool socketAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool peerIsThisUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof(peer);
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool waitReady(int fd, short events, TClock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    if (left <= 0) return false;
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}

// Reads exactly `size` bytes from the non-blocking `fd` before the deadline.
bool readAll(int fd, char* data, size_t size, TClock::time_point deadline) {
  while (size > 0) {
    const ssize_t got = read(fd, data, size);
    if (got > 0) {
      data += got;
      size -= static_cast<size_t>(got);
      continue;
    }
    // got == 0: the peer went away.
    if (got == 0 || (errno != EINTR && (errno != EAGAIN || !waitReady(fd, POLLIN, deadline))))
      return false;
  }
  return true;
}

bool writeAll(int fd, const char* data, size_t size, TClock::time_point deadline) {
  while (size > 0) {
    const ssize_t put = send(fd, data, size, MSG_NOSIGNAL);
    if (put > 0) {
      data += put;
      size -= static_cast<size_t>(put);
    } else if (errno != EINTR && (errno != EAGAIN || !waitReady(fd, POLLOUT, deadline))) {
      return false;
    }
  }
  return true;
}

// One connection's list, answered; nullopt when it was refused or cut short.
std::optional<TInstanceRequest> takeRequest(int fd) {
  if (!peerIsThisUser(fd)) return std::nullopt;
  const auto deadline = TClock::now() + kPeerDeadline;
  unsigned char count[4];
  if (!readAll(fd, reinterpret_cast<char*>(count), sizeof(count), deadline)) return std::nullopt;
  const uint32_t size = count[0] | count[1] << 8 | count[2] << 16 | uint32_t{count[3]} << 24;
  if (size > kMaxRequestBytes) return std::nullopt;
  std::string body(size, '\0');
  if (!readAll(fd, body.data(), body.size(), deadline)) return std::nullopt;
  std::optional<TInstanceRequest> files = DecodeInstanceRequest(body);
  if (files && !writeAll(fd, &kRequestTaken, 1, deadline)) return std::nullopt;
  return files;
}

class TSocketServer : public TInstanceServer {
 public:
  TSocketServer(posix::TUniqueFd folder, std::string name, posix::TUniqueFd socket)
      : folder_(std::move(folder)), name_(std::move(name)), socket_(std::move(socket)) {}
  ~TSocketServer() override { unlinkat(folder_.Get(), name_.c_str(), 0); }

  std::vector<TInstanceRequest> TakeRequests() override {
    std::vector<TInstanceRequest> requests;
    for (;;) {
      posix::TUniqueFd peer(accept4(socket_.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
      if (!peer.Valid()) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        return requests;  // EAGAIN: nobody else is waiting
      }
      if (auto files = takeRequest(peer.Get())) requests.push_back(std::move(*files));
    }
  }
  // The listening socket: readable while a connection waits to be accepted.
  int ReadyFd() const override { return socket_.Get(); }

 private:
  posix::TUniqueFd folder_;
  std::string name_;
  posix::TUniqueFd socket_;
};

}  // namespace

std::unique_ptr<TInstanceServer> TInstanceServer::Listen(std::string_view name) {
  posix::TInstanceFolder place = posix::FindInstanceFolder(std::string(name));
  if (!place.folder.Valid() || !posix::IsPrivateFolder(place.folder.Get())) return nullptr;
  const std::string fileName = socketName(name);
  sockaddr_un address{};
  if (!socketAddress(place.path + "/" + fileName, address)) return nullptr;

  // The caller holds the lock, so a socket left there is a dead copy's.
  struct stat st {};
  if (fstatat(place.folder.Get(), fileName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!S_ISSOCK(st.st_mode) || unlinkat(place.folder.Get(), fileName.c_str(), 0) != 0)
      return nullptr;
  }
  posix::TUniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!socket.Valid() ||
      bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    return nullptr;
  }
  if (fchmodat(place.folder.Get(), fileName.c_str(), 0600, 0) != 0 ||
      listen(socket.Get(), 16) != 0) {
    unlinkat(place.folder.Get(), fileName.c_str(), 0);
    return nullptr;
  }
  return std::make_unique<TSocketServer>(std::move(place.folder), fileName, std::move(socket));
}

bool HandToRunningCopy(const std::vector<std::string>& files, std::string_view name,
                       std::chrono::milliseconds connectDeadline) {
  TInstanceRequest absolute;
  for (const std::string& file : files) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(file, error);
    absolute.push_back(error ? file : path.string());
  }
  const std::string message = EncodeInstanceRequest(absolute);
  if (message.size() - 4 > kMaxRequestBytes) return false;

  const posix::TInstanceFolder place = posix::FindInstanceFolder(std::string(name));
  sockaddr_un address{};
  if (!place.folder.Valid() || !socketAddress(place.path + "/" + socketName(name), address))
    return false;

  // The running copy opens its socket a moment after it takes the lock.
  const auto giveUpAt = TClock::now() + connectDeadline;
  for (;;) {
    posix::TUniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.Valid()) return false;
    if (connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
      if (!peerIsThisUser(socket.Get())) return false;
      // The running copy answers when its event loop next looks, which may
      // be after the file in hand or after its start.
      const auto deadline = TClock::now() + kAnswerDeadline;
      char answer = 0;
      return writeAll(socket.Get(), message.data(), message.size(), deadline) &&
             readAll(socket.Get(), &answer, 1, deadline) && answer == kRequestTaken;
    }
    if ((errno != ENOENT && errno != ECONNREFUSED && errno != EAGAIN && errno != EINTR) ||
        TClock::now() >= giveUpAt) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace platform

// An owned file descriptor, closed when its scope ends.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform::posix {

class TUniqueFd {
 public:
  explicit TUniqueFd(int fd = -1) : fd_(fd) {}
  TUniqueFd(TUniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  TUniqueFd& operator=(TUniqueFd&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  TUniqueFd(const TUniqueFd&) = delete;
  TUniqueFd& operator=(const TUniqueFd&) = delete;
  ~TUniqueFd() { Close(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // 0, or the errno of a failed close (a delayed write error shows up here).
  int Close() {
    if (fd_ < 0) return 0;
    const int rc = ::close(std::exchange(fd_, -1));
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

}  // namespace platform::posix

// The channel's wire format, shared by both sides.
#include "platform/InstanceChannel.h"

#include <filesystem>

namespace platform {

std::string EncodeInstanceRequest(const TInstanceRequest& files) {
  std::string body;
  for (const std::string& file : files) body.append(file).push_back('\0');
  const auto size = static_cast<uint32_t>(body.size());
  std::string message;
  for (int shift = 0; shift < 32; shift += 8) message.push_back(static_cast<char>(size >> shift));
  return message + body;
}

std::optional<TInstanceRequest> DecodeInstanceRequest(std::string_view body) {
  TInstanceRequest files;
  if (body.size() > kMaxRequestBytes) return std::nullopt;
  while (!body.empty()) {
    const size_t end = body.find('\0');
    if (end == std::string_view::npos) return std::nullopt;  // a name without its terminator
    std::string name(body.substr(0, end));
    if (!std::filesystem::path(name).is_absolute()) return std::nullopt;
    files.push_back(std::move(name));
    body.remove_prefix(end + 1);
  }
  return files;
}

}  // namespace platform

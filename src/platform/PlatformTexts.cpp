#include "platform/PlatformTexts.h"

namespace platform {

std::string FormatText(std::string_view english, std::initializer_list<std::string_view> args) {
  const std::string_view format = Tr(english);
  std::string text;
  auto next = args.begin();
  size_t from = 0;
  for (size_t at = format.find("%s"); at != std::string_view::npos; at = format.find("%s", from)) {
    text.append(format.substr(from, at - from));
    if (next != args.end()) text.append(*next++);
    from = at + 2;
  }
  text.append(format.substr(from));
  return text;
}

std::string TrimSystemReason(std::string_view reason) {
  size_t end = reason.size();
  while (end > 0) {
    const auto c = static_cast<unsigned char>(reason[end - 1]);
    if (c > 32 && c != '.') break;
    --end;
  }
  return std::string(reason.substr(0, end));
}

}  // namespace platform

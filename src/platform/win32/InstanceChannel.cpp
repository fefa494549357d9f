// The channel beside the lock, Windows side: a named pipe whose name carries
// the instance name, the logon session and the user's SID. Its DACL lets only
// the user in; it is the pipe's first instance (so nobody can have made it
// before us) and refuses remote clients. The second copy checks that the
// pipe's server process runs as the same user before it sends anything.
#include "platform/InstanceChannel.h"

#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/win32/Utf.h"

namespace platform {
namespace {

using TClock = std::chrono::steady_clock;

constexpr DWORD kPeerMilliseconds = 5000;
constexpr DWORD kAnswerMilliseconds = 20000;

// The token user of `process`; empty on failure.
std::vector<unsigned char> tokenUser(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return {};
  const win32::TUniqueHandle owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
  return buffer;
}

PSID sidOf(std::vector<unsigned char>& user) {
  return reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
}

std::wstring sidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return {};
  std::wstring result(text);
  LocalFree(text);
  return result;
}

std::wstring pipeName(std::string_view name, const std::wstring& sid) {
  DWORD session = 0;
  ProcessIdToSessionId(GetCurrentProcessId(), &session);
  return L"\\\\.\\pipe\\velmora-" + win32::Widen(std::string(name)) + L"-" +
         std::to_wstring(session) + L"-" + sid;
}

// Waits for an overlapped operation on `pipe` at most `milliseconds`; the
// operation is cancelled when it does not end in time.
bool finish(HANDLE pipe, OVERLAPPED& overlapped, DWORD milliseconds, DWORD& done) {
  if (WaitForSingleObject(overlapped.hEvent, milliseconds) != WAIT_OBJECT_0) {
    CancelIoEx(pipe, &overlapped);
    GetOverlappedResult(pipe, &overlapped, &done, TRUE);
    return false;
  }
  return GetOverlappedResult(pipe, &overlapped, &done, FALSE) != 0;
}

bool transfer(HANDLE pipe, char* data, DWORD size, bool write, DWORD milliseconds) {
  while (size > 0) {
    OVERLAPPED overlapped{};
    const win32::TUniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    overlapped.hEvent = event.Get();
    DWORD done = 0;
    const BOOL started = write ? WriteFile(pipe, data, size, &done, &overlapped)
                               : ReadFile(pipe, data, size, &done, &overlapped);
    if (!started && GetLastError() != ERROR_IO_PENDING) return false;
    if (!finish(pipe, overlapped, milliseconds, done) || done == 0) return false;
    data += done;
    size -= done;
  }
  return true;
}

class TPipeServer : public TInstanceServer {
 public:
  TPipeServer(HANDLE pipe, HANDLE event) : pipe_(pipe), event_(event) { listen(); }

  std::vector<TInstanceRequest> TakeRequests() override {
    std::vector<TInstanceRequest> requests;
    while (connected()) {
      if (auto files = takeRequest()) requests.push_back(std::move(*files));
      DisconnectNamedPipe(pipe_.Get());
      listen();
    }
    return requests;
  }

 private:
  void listen() {
    overlapped_ = {};
    overlapped_.hEvent = event_.Get();
    ResetEvent(event_.Get());
    pending_ = false;
    already_ = false;
    if (ConnectNamedPipe(pipe_.Get(), &overlapped_)) return;
    const DWORD error = GetLastError();
    pending_ = error == ERROR_IO_PENDING;
    already_ = error == ERROR_PIPE_CONNECTED;
  }

  bool connected() {
    if (already_) return true;
    if (!pending_ || WaitForSingleObject(event_.Get(), 0) != WAIT_OBJECT_0) return false;
    DWORD ignored = 0;
    pending_ = false;
    return GetOverlappedResult(pipe_.Get(), &overlapped_, &ignored, FALSE) != 0;
  }

  std::optional<TInstanceRequest> takeRequest() {
    unsigned char count[4];
    if (!transfer(pipe_.Get(), reinterpret_cast<char*>(count), 4, false, kPeerMilliseconds))
      return std::nullopt;
    const uint32_t size = count[0] | count[1] << 8 | count[2] << 16 | uint32_t{count[3]} << 24;
    if (size > kMaxRequestBytes) return std::nullopt;
    std::string body(size, '\0');
    if (size > 0 &&
        !transfer(pipe_.Get(), body.data(), static_cast<DWORD>(size), false, kPeerMilliseconds))
      return std::nullopt;
    std::optional<TInstanceRequest> files = DecodeInstanceRequest(body);
    char answer = kRequestTaken;
    if (!files || !transfer(pipe_.Get(), &answer, 1, true, kPeerMilliseconds)) return std::nullopt;
    // Disconnecting drops what the peer has not read yet: wait for it to go.
    char ignored = 0;
    transfer(pipe_.Get(), &ignored, 1, false, kPeerMilliseconds);
    return files;
  }

  win32::TUniqueHandle pipe_;
  win32::TUniqueHandle event_;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
  bool already_ = false;
};

}  // namespace

std::unique_ptr<TInstanceServer> TInstanceServer::Listen(std::string_view name) {
  std::vector<unsigned char> user = tokenUser(GetCurrentProcess());
  if (user.empty()) return nullptr;
  const std::wstring sid = sidText(sidOf(user));
  if (sid.empty()) return nullptr;
  // Owner and sole user: this account.
  const std::wstring sddl = L"O:" + sid + L"D:P(A;;GA;;;" + sid + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return nullptr;
  }
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
  HANDLE pipe =
      CreateNamedPipeW(pipeName(name, sid).c_str(),
                       PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                       1, 4096, 4096, 0, &attributes);
  LocalFree(descriptor);
  if (pipe == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) {
    CloseHandle(pipe);
    return nullptr;
  }
  return std::make_unique<TPipeServer>(pipe, event);
}

bool HandToRunningCopy(const std::vector<std::string>& files, std::string_view name,
                       std::chrono::milliseconds connectDeadline) {
  TInstanceRequest absolute;
  for (const std::string& file : files) {
    std::error_code error;
    const std::filesystem::path path =
        std::filesystem::absolute(std::filesystem::path(win32::Widen(file)), error);
    absolute.push_back(error ? file : win32::Narrow(path.wstring()));
  }
  std::string message = EncodeInstanceRequest(absolute);
  if (message.size() - 4 > kMaxRequestBytes) return false;

  std::vector<unsigned char> user = tokenUser(GetCurrentProcess());
  if (user.empty()) return false;
  const std::wstring pipe = pipeName(name, sidText(sidOf(user)));

  // The running copy opens its pipe a moment after it takes the lock.
  const auto deadline = TClock::now() + connectDeadline;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (;;) {
    handle = CreateFileW(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                         nullptr);
    if (handle != INVALID_HANDLE_VALUE) break;
    const DWORD error = GetLastError();
    if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PIPE_BUSY) || TClock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const win32::TUniqueHandle connection(handle);

  // Only a server running as this user gets the list.
  ULONG serverId = 0;
  if (!GetNamedPipeServerProcessId(handle, &serverId)) return false;
  const win32::TUniqueHandle server(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId));
  if (!server.Valid()) return false;
  std::vector<unsigned char> serverUser = tokenUser(server.Get());
  if (serverUser.empty() || !EqualSid(sidOf(serverUser), sidOf(user))) return false;

  char answer = 0;
  return transfer(handle, message.data(), static_cast<DWORD>(message.size()), true,
                  kAnswerMilliseconds) &&
         transfer(handle, &answer, 1, false, kAnswerMilliseconds) && answer == kRequestTaken;
}

}  // namespace platform

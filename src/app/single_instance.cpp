#include "app/single_instance.h"

#include <windows.h>
#include <wincrypt.h>

#include "app/install_location.h"
#include "sys/kill_process.h"
#include "sys/process_finder.h"
#include "sys/pumping_wait.h"
#include "util/handles.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane {
namespace {

constexpr char kDefaultNameSeed[] = "你懒得输入，我就写死，略略";
constexpr char kDefaultMessage[] = "对不起,该进程已打开!";
constexpr char kMessageCaption[] = "友情提醒:";

UniqueCryptProvider AcquireVerifyContext() {
  UniqueCryptProvider provider;
  if (::CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return provider;
  if (::CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, 0)) return provider;
  return {};
}

// The first visible top-level window of the process, walking the desktop's children in z-order.
HWND FirstVisibleTopWindow(DWORD processId) {
  for (HWND window = ::GetWindow(::GetDesktopWindow(), GW_CHILD); window != nullptr;
       window = ::GetWindow(window, GW_HWNDNEXT)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == processId && ::IsWindowVisible(window)) return window;
  }
  return nullptr;
}

[[noreturn]] void EndAsSecondInstance(bool showMessage, const std::optional<std::string>& messageText, UINT messageType,
                                      bool activateExisting) {
  if (showMessage) {
    const std::string text = messageText.value_or(kDefaultMessage);
    ::MessageBoxW(nullptr, GbkToWide(text).c_str(), GbkToWide(kMessageCaption).c_str(), messageType);
  }
  if (activateExisting) ActivateOtherInstanceWindow();
  EndProgram();
}

}  // namespace

std::string Md5Hex(std::string_view bytes) {
  UniqueCryptProvider provider = AcquireVerifyContext();
  if (!provider) return {};
  UniqueCryptHash hash;
  if (!::CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put())) return {};
  if (!::CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0)) {
    return {};
  }
  BYTE digest[16] = {};
  DWORD size = sizeof(digest);
  if (!::CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0) || size != sizeof(digest)) return {};

  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (BYTE b : digest) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  for (char& c : hex) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  return hex;
}

std::string DefaultInstanceName() { return Md5Hex(kDefaultNameSeed); }

bool ActivateOtherInstanceWindow(int waitMs) {
  const DWORD ownId = ::GetCurrentProcessId();
  DWORD otherId = 0;
  // The own process carries the same name; it has no window to offer and is skipped.
  for (DWORD id : FindProcessIdsByExeName(GetExecutableName())) {
    if (id != ownId) {
      otherId = id;
      break;
    }
  }
  if (otherId == 0) return false;

  HWND window = nullptr;
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(waitMs > 0 ? waitMs : 0);
  for (;;) {
    window = FirstVisibleTopWindow(otherId);
    if (window != nullptr || ::GetTickCount64() >= deadline) break;
    DispatchPendingMessages();
    ::Sleep(1);
  }
  if (window == nullptr) return false;

  if (!::IsWindowVisible(window)) ::ShowWindow(window, SW_SHOWNA);
  if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ActivateWindowAcrossThreads(window);
  ::SetForegroundWindow(window);
  return true;
}

InstanceClaim ClaimInstanceName(std::string_view instanceName, const std::function<void()>& betweenCheckAndClaim) {
  const std::wstring name = GbkToWide(instanceName);
  if (UniqueHandle existing{::OpenEventW(EVENT_ALL_ACCESS, FALSE, name.c_str())}) return InstanceClaim::HeldElsewhere;
  // A first copy running elevated holds an event this one is not allowed to open (nor create):
  // the name is taken all the same.
  if (::GetLastError() == ERROR_ACCESS_DENIED) return InstanceClaim::HeldElsewhere;
  if (betweenCheckAndClaim) betweenCheckAndClaim();

  UniqueHandle claim(::CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
  // Between the check above and this claim another copy may have claimed the name first; the
  // system tells us so here.
  const DWORD claimError = ::GetLastError();
  if (claim ? claimError == ERROR_ALREADY_EXISTS : claimError == ERROR_ACCESS_DENIED) {
    return InstanceClaim::HeldElsewhere;
  }
  // The claim is held for the whole life of the process and dies with it. A failed claim
  // (the name used by another kind of object) is let through as the first copy.
  claim.release();
  return InstanceClaim::Claimed;
}

void EnsureSingleInstance(std::string& instanceName, bool showMessage, const std::optional<std::string>& messageText,
                          UINT messageType, bool activateExisting) {
  if (instanceName.empty()) instanceName = DefaultInstanceName();
  if (ClaimInstanceName(instanceName) == InstanceClaim::HeldElsewhere) {
    EndAsSecondInstance(showMessage, messageText, messageType, activateExisting);
  }
}

}  // namespace storvane

// The WinINet side of a transfer: the library bound at run time, its handles, the queries of an
// answer, and the reads of a body on a thread of their own.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "net/download_file.h"
#include "util/text.h"

namespace storvane {

// WinINet is bound when a download starts rather than imported: loading it with the programs
// that carry this routine costs their start-up several milliseconds (it brings more libraries of
// its own), and only a download needs it. It is taken from the system folder by full path.
class WinInet {
public:
  WinInet() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    // Never freed, as an import would not be: WinINet keeps threads and caches of its own that may
    // outlive the handles closed here, and unloading the library under them is not safe. Each
    // download takes one more reference to the same loaded module.
    module_ = ::LoadLibraryW((std::wstring(folder, length) + L"\\wininet.dll").c_str());
    if (!module_) return;
    Bind(getConnectedState, "InternetGetConnectedState");
    Bind(open, "InternetOpenW");
    Bind(openUrl, "InternetOpenUrlW");
    Bind(queryInfo, "HttpQueryInfoW");
    Bind(readFile, "InternetReadFile");
    Bind(closeHandle, "InternetCloseHandle");
    Bind(setOption, "InternetSetOptionW");
  }
  bool ready() const {
    return getConnectedState != nullptr && open != nullptr && openUrl != nullptr && queryInfo != nullptr &&
           readFile != nullptr && closeHandle != nullptr && setOption != nullptr;
  }

  decltype(&::InternetGetConnectedState) getConnectedState = nullptr;
  decltype(&::InternetOpenW) open = nullptr;
  decltype(&::InternetOpenUrlW) openUrl = nullptr;
  decltype(&::HttpQueryInfoW) queryInfo = nullptr;
  decltype(&::InternetReadFile) readFile = nullptr;
  decltype(&::InternetCloseHandle) closeHandle = nullptr;
  decltype(&::InternetSetOptionW) setOption = nullptr;  // may be missing: nothing is then decoded

private:
  template <typename F>
  void Bind(F& function, const char* name) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  }
  HMODULE module_ = nullptr;
};

// Closed through the bound WinINet, which must outlive it.
class UniqueInternetHandle {
public:
  UniqueInternetHandle(const WinInet& api, HINTERNET handle) : api_(api), handle_(handle) {}
  UniqueInternetHandle(const UniqueInternetHandle&) = delete;
  UniqueInternetHandle& operator=(const UniqueInternetHandle&) = delete;
  ~UniqueInternetHandle() { reset(); }
  void reset() {
    if (handle_ != nullptr) api_.closeHandle(handle_);
    handle_ = nullptr;
  }
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Gives the handle up without closing it (someone else closed it).
  void release() { handle_ = nullptr; }

private:
  const WinInet& api_;
  HINTERNET handle_;
};

inline constexpr DWORD kOpenUrlFlags = 0x84000100;        // reload, no cache write, no-cache pragma
inline constexpr DWORD kContentLengthQuery = 0x20000005;  // HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER

DWORD QueryNumber(const WinInet& api, HINTERNET request, DWORD query, bool& ok);

// The answer's header lines as received; nullopt when they do not fit in 32 KB. (Once WinINet
// has decoded a body it may drop its Content-Encoding, and asking for a header by its query
// number then answers with another one's value on some systems.) Schemes without headers have
// none.
std::optional<std::string> RawHeaders(const WinInet& api, HINTERNET request);

// The value of the first header line `name` (lower case, with its colon) in `headers`.
std::string HeaderIn(std::string_view headers, std::string_view name);

// Asks WinINet to decode what the header block offers (gzip, deflate); false when it cannot.
bool AskForDecoding(const WinInet& api, HINTERNET internet);

// Closes `handle` on a thread of its own (or here, when no thread starts) and gives it up.
void CloseOnTheirOwn(const WinInet& api, UniqueInternetHandle& handle);

// Opens `url` in `internet`. With a cancel flag the call runs on a thread of its own, so that a
// cancel ends the wait for a server that does not answer: the session is then closed (on a
// thread of its own too), which ends the system's call, and the opening thread closes whatever
// that call still brings back. `cancelled` tells that case from a failure; GetLastError holds a
// failure's error.
HINTERNET OpenAddress(const WinInet& api, UniqueInternetHandle& internet, const std::wstring& url,
                      const std::wstring& headers, const std::atomic<bool>* cancel, bool& cancelled);

// The 64-bit Content-Length as announced; nullopt when there is none or it is not a number.
std::optional<uint64_t> AnnouncedLength(const WinInet& api, HINTERNET request);

// The session of one transfer, its system waits set to the stall window: a silent server is left
// after as long where the system keeps them.
HINTERNET OpenInternet(const WinInet& api, int stallMs);

// The body's reads, on a thread of their own. A read that the system does not bring back (a
// server that has gone quiet, where the system's receive time-out does not hold) then holds only
// that thread, and the transfer can still end. The thread owns the request's handles from the
// first read on and closes them when it stops: after a body given up before its end some
// implementations read the rest away on closing, which for an endless body never ends.
class BodyReader {
public:
  enum class Outcome { Chunk, Ended, Failed, Stalled, Cancelled };

  // Takes over `address` and `internet`; false (the handles closed) when no thread starts.
  bool Start(const WinInet& api, UniqueInternetHandle& address, UniqueInternetHandle& internet) {
    shared_ = std::make_shared<Shared>();
    shared_->readFile = api.readFile;
    shared_->closeHandle = api.closeHandle;
    shared_->address = address.get();
    shared_->internet = internet.get();
    address.release();
    internet.release();
    try {
      std::thread([shared = shared_] { shared->Run(); }).detach();
    } catch (const std::system_error&) {
      shared_->Close();
      return false;
    }
    return true;
  }
  BodyReader() = default;
  BodyReader(const BodyReader&) = delete;
  BodyReader& operator=(const BodyReader&) = delete;
  // Whatever the reads have come to, the transfer no longer waits for them.
  ~BodyReader() {
    if (!shared_) return;
    std::lock_guard lock(shared_->mutex);
    shared_->abandoned = true;
    shared_->changed.notify_all();
  }

  // The next chunk into `chunk`; Stalled when less than one chunk has arrived in `stallMs`,
  // Cancelled as soon as `cancel` is seen set (it is looked at every tenth of a second).
  Outcome Next(Bytes& chunk, int stallMs, const std::atomic<bool>* cancel) {
    std::unique_lock lock(shared_->mutex);
    const auto due = mark_ + std::chrono::milliseconds(stallMs);
    auto ready = [this] { return !shared_->chunks.empty() || shared_->ended || shared_->failed; };
    for (;;) {
      if (cancel != nullptr && cancel->load()) return Outcome::Cancelled;
      const auto now = std::chrono::steady_clock::now();
      if (now >= due) {
        if (!ready()) return Outcome::Stalled;
        break;
      }
      if (shared_->changed.wait_until(lock, std::min(due, now + std::chrono::milliseconds(100)), ready)) break;
    }
    if (shared_->chunks.empty()) return shared_->failed ? Outcome::Failed : Outcome::Ended;
    chunk = std::move(shared_->chunks.front());
    shared_->chunks.pop_front();
    shared_->changed.notify_all();
    sinceMark_ += static_cast<int64_t>(chunk.size());
    if (sinceMark_ >= static_cast<int64_t>(kChunkSize)) {
      sinceMark_ = 0;
      mark_ = std::chrono::steady_clock::now();
    }
    return Outcome::Chunk;
  }

private:
  static constexpr size_t kChunksAhead = 8;

  struct Shared {
    decltype(&::InternetReadFile) readFile = nullptr;
    decltype(&::InternetCloseHandle) closeHandle = nullptr;
    HINTERNET address = nullptr;
    HINTERNET internet = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Bytes> chunks;
    bool ended = false;
    bool failed = false;
    bool abandoned = false;

    void Run() {
      for (;;) {
        Bytes chunk(kChunkSize);
        DWORD read = 0;
        const bool ok = readFile(address, chunk.data(), kChunkSize, &read) != FALSE;
        std::unique_lock lock(mutex);
        if (abandoned) break;
        if (!ok || read == 0) {
          (ok ? ended : failed) = true;
          changed.notify_all();
          break;
        }
        chunk.resize(read);
        chunks.push_back(std::move(chunk));
        changed.notify_all();
        changed.wait(lock, [this] { return chunks.size() < kChunksAhead || abandoned; });
        if (abandoned) break;
      }
      Close();
    }

    void Close() {
      closeHandle(address);
      closeHandle(internet);
    }
  };

  std::shared_ptr<Shared> shared_;
  std::chrono::steady_clock::time_point mark_ = std::chrono::steady_clock::now();
  int64_t sinceMark_ = 0;
};

}  // namespace storvane

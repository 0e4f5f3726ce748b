#include "net/download_to_file.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "util/handles.h"
#include "util/image_file.h"
#include "util/log.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane {
namespace {

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

constexpr DWORD kOpenUrlFlags = 0x84000100;        // reload, no cache write, no-cache pragma
constexpr DWORD kContentLengthQuery = 0x20000005;  // HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER
constexpr DWORD kChunkSize = 10240;
// The body goes to the file in blocks of 100 chunks (BlockWriter), and the file is flushed to the
// disk every 8 blocks while the transfer goes on, so that the flush before the replace finds at
// most a few megabytes still to be put on the disk.
constexpr DWORD kBlockSize = 100 * kChunkSize;
constexpr int kBlockCount = 3;
constexpr int kBlocksPerFlush = 8;
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplaceRetryMs = 100;
constexpr wchar_t kTemporarySuffix[] = L".download";

std::wstring FolderOfTarget(const std::wstring& target) {
  std::wstring folder = L".";
  if (size_t cut = target.find_last_of(L"\\/"); cut != std::wstring::npos) {
    folder = target.substr(0, cut);
    if (folder.empty() || folder.back() == L':') folder += L'\\';
  }
  return folder;
}

// Earlier versions named their temporary files "svd" + hex digits + ".tmp", a new one each run,
// so every killed transfer left one behind for good.
bool IsLegacyTemporaryName(std::wstring_view name) {
  if (name.size() < 8 || name.size() > 11) return false;
  if (::CompareStringOrdinal(name.data(), 3, L"svd", 3, TRUE) != CSTR_EQUAL ||
      ::CompareStringOrdinal(name.data() + name.size() - 4, 4, L".tmp", 4, TRUE) != CSTR_EQUAL) {
    return false;
  }
  for (wchar_t c : name.substr(3, name.size() - 7)) {
    const bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    if (!hex) return false;
  }
  return true;
}

// What killed transfers into the target's folder left there: this target's temporary file and
// the numbered ones of earlier versions. A file still in use elsewhere stays.
void RemoveStaleTemporaryFiles(const std::wstring& target) {
  ::DeleteFileW((target + kTemporarySuffix).c_str());
  std::wstring folder = FolderOfTarget(target);
  if (folder.back() != L'\\') folder += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((folder + L"svd*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsLegacyTemporaryName(found.cFileName)) {
      ::DeleteFileW((folder + found.cFileName).c_str());
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

// A file in the target's folder that receives the body. It disappears with its owner unless it
// has been moved over the target, so no failure path can leave it behind.
class TemporaryDownloadFile {
public:
  TemporaryDownloadFile() = default;
  TemporaryDownloadFile(const TemporaryDownloadFile&) = delete;
  TemporaryDownloadFile& operator=(const TemporaryDownloadFile&) = delete;
  ~TemporaryDownloadFile() {
    file_.reset();
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
  }

  // Opens the target's temporary file for writing, emptied; with `startFrom` its content
  // starts as a copy of that file and writing continues at its end.
  bool Open(const std::wstring& target, const std::wstring* startFrom) {
    path_ = target + kTemporarySuffix;
    const bool copied = startFrom != nullptr && ::CopyFileW(startFrom->c_str(), path_.c_str(), FALSE);
    if (startFrom != nullptr && !copied && ::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    // Never continues what an earlier run left under this name.
    file_.reset(::CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              copied ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return false;
    if (copied) {
      LARGE_INTEGER zero{};
      if (!::SetFilePointerEx(file_.get(), zero, nullptr, FILE_END)) return false;
    }
    return true;
  }

  bool Write(const void* data, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(file_.get(), data, size, &written, nullptr) && written == size;
  }

  // Writes what the system still holds for the file to disk (the writer thread's periodic flush).
  bool Flush() { return ::FlushFileBuffers(file_.get()) != 0; }

  // Closes the file with everything written on disk, ready to be checked and moved.
  bool Close() {
    const bool flushed = ::FlushFileBuffers(file_.get()) != 0;
    file_.reset();
    return flushed;
  }

  // Puts the closed file in the target's place.
  bool ReplaceTarget(const std::wstring& target) {
    if (!ReplaceFileWithRetries(path_, target)) return false;
    path_.clear();
    return true;
  }

  const std::wstring& path() const { return path_; }

private:
  std::wstring path_;
  UniqueHandle file_;
};

// Chunks are received straight into large blocks, and full blocks go to the file on a thread of
// their own. Written chunk by chunk on the receiving thread, a body cost a system call per 10 KB
// and its disk work came after the network work instead of beside it. The receiver waits only
// while every block is still being written; should no thread start, it writes full blocks itself.
class BlockWriter {
public:
  explicit BlockWriter(TemporaryDownloadFile& file) : file_(file) {
    for (Block& block : blocks_) {
      block.data = std::make_unique_for_overwrite<uint8_t[]>(kBlockSize);
      free_.push_back(&block);
    }
    current_ = TakeFreeBlock();
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
    }
  }
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;
  ~BlockWriter() { Stop(); }

  // Where the next chunk goes: room for kChunkSize bytes.
  uint8_t* Space() const { return current_->data.get() + current_->used; }

  // `size` bytes have arrived at Space(). False once a write has failed.
  bool Received(DWORD size) {
    current_->used += size;
    if (kBlockSize - current_->used >= kChunkSize) return true;
    if (!thread_.joinable()) {
      const bool ok = WriteBlock(*current_);
      current_->used = 0;
      return ok;
    }
    std::unique_lock lock(mutex_);
    full_.push_back(current_);
    changed_.notify_all();
    changed_.wait(lock, [this] { return !free_.empty(); });
    current_ = TakeFreeBlock();
    return !failed_;
  }

  // Writes what is left and waits until every block is in the file. False if a write failed.
  bool Finish() {
    if (!thread_.joinable()) return current_->used == 0 || WriteBlock(*current_);
    std::unique_lock lock(mutex_);
    (current_->used > 0 ? full_ : free_).push_back(current_);
    current_ = nullptr;
    changed_.notify_all();
    changed_.wait(lock, [this] { return free_.size() == blocks_.size(); });
    lock.unlock();
    Stop();
    return !failed_;
  }

private:
  struct Block {
    std::unique_ptr<uint8_t[]> data;
    DWORD used = 0;
  };

  Block* TakeFreeBlock() {
    Block* block = free_.back();
    free_.pop_back();
    block->used = 0;
    return block;
  }

  bool WriteBlock(const Block& block) {
    if (!file_.Write(block.data.get(), block.used)) return false;
    if (++blocksSinceFlush_ < kBlocksPerFlush) return true;
    blocksSinceFlush_ = 0;
    return file_.Flush();
  }

  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stop_ || !full_.empty(); });
      if (stop_) return;
      Block* block = full_.front();
      full_.erase(full_.begin());
      // After a failure the blocks only go back: the transfer is ending.
      const bool write = !failed_;
      lock.unlock();
      const bool ok = !write || WriteBlock(*block);
      lock.lock();
      if (!ok) failed_ = true;
      free_.push_back(block);
      changed_.notify_all();
    }
  }

  void Stop() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  TemporaryDownloadFile& file_;
  std::array<Block, kBlockCount> blocks_;
  Block* current_ = nullptr;
  int blocksSinceFlush_ = 0;  // the writing thread's alone
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Block*> full_;  // in the order they were filled
  std::vector<Block*> free_;
  bool failed_ = false;
  bool stop_ = false;
  std::thread thread_;
};

DWORD QueryNumber(const WinInet& api, HINTERNET request, DWORD query, bool& ok) {
  DWORD value = 0;
  DWORD size = sizeof value;
  ok = api.queryInfo(request, query, &value, &size, nullptr) != 0;
  return ok ? value : 0;
}

// The Content-Encoding the answer carries, read from its header lines as received. (Once WinINet
// has decoded a body it may drop that header, and asking for the header by its query number
// then answers with another one's value on some systems.) Header lines beyond 32 KB read as an
// encoding nothing decodes: the body is refused rather than saved unread. (Schemes without
// headers have none.)
std::string ContentEncodingOf(const WinInet& api, HINTERNET request) {
  constexpr DWORD kCharacters = 16384;
  std::vector<wchar_t> block(kCharacters);
  DWORD size = (kCharacters - 1) * static_cast<DWORD>(sizeof(wchar_t));
  if (!api.queryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, block.data(), &size, nullptr)) {
    return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER ? "unread" : "";
  }
  const std::string headers = WideToGbk(std::wstring(block.data(), size / sizeof(wchar_t)));
  constexpr std::string_view kName = "content-encoding:";
  for (size_t start = 0; start < headers.size();) {
    const size_t end = std::min(headers.find("\r\n", start), headers.size());
    const std::string_view line = std::string_view(headers).substr(start, end - start);
    bool named = line.size() >= kName.size();
    for (size_t i = 0; named && i < kName.size(); ++i) {
      const char c = line[i];
      named = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == kName[i];
    }
    if (named) return std::string(line.substr(kName.size()));
    start = end + 2;
  }
  return {};
}

// How the body arrives as the file it stands for.
enum class BodyEncoding { Plain, Decoded, Refused };

BodyEncoding JudgeEncoding(std::string_view contentEncoding, bool decoding) {
  std::string coding = TrimText(contentEncoding);
  for (char& c : coding) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (coding.empty() || coding == "identity") return BodyEncoding::Plain;
  // What WinINet decodes once asked to; anything else would be saved still encoded.
  const bool decodable = coding == "gzip" || coding == "x-gzip" || coding == "deflate";
  return decoding && decodable ? BodyEncoding::Decoded : BodyEncoding::Refused;
}

// Asks WinINet to decode what the header block offers (gzip, deflate); false when it cannot.
bool AskForDecoding(const WinInet& api, HINTERNET internet) {
  BOOL decode = TRUE;
  return api.setOption != nullptr && api.setOption(internet, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
}

BodyEncoding EncodingOf(const WinInet& api, HINTERNET request, bool decoding) {
  const std::string contentEncoding = ContentEncodingOf(api, request);
  const BodyEncoding encoding = JudgeEncoding(contentEncoding, decoding);
  if (encoding == BodyEncoding::Refused) {
    Log(ConcatTexts("download: the body is encoded as \"", contentEncoding, "\", which cannot be decoded"));
  }
  return encoding;
}

// False, once logged and told, when a program was asked for and the file at `path` is none.
bool ProgramAsAsked(DownloadKind kind, const std::wstring& path, std::string_view url, std::string_view localPath,
                    const DownloadMessageRoutine& message) {
  if (kind != DownloadKind::Program || IsCompleteImageFile(path, {pe::kMachineI386, pe::kMachineAmd64})) return true;
  Log(ConcatTexts("download: ", url, " -> ", localPath, " refused: not a complete program"));
  if (message) message(kNotProgramMessage);
  return false;
}

// Closes `handle` on a thread of its own (or here, when no thread starts) and gives it up.
void CloseOnTheirOwn(const WinInet& api, UniqueInternetHandle& handle) {
  HINTERNET raw = handle.get();
  if (raw == nullptr) return;
  handle.release();
  const auto close = api.closeHandle;
  try {
    std::thread([close, raw] { close(raw); }).detach();
  } catch (const std::system_error&) {
    close(raw);
  }
}

// The 64-bit Content-Length as announced; nullopt when there is none or it is not a number.
std::optional<uint64_t> AnnouncedLength(const WinInet& api, HINTERNET request) {
  wchar_t text[32] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  if (!api.queryInfo(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return std::nullopt;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(text, &end, 10);
  if (end == text) return std::nullopt;
  return value;
}

// Free bytes on the drive of `target`'s folder; nullopt when the system cannot say.
std::optional<uint64_t> FreeBytesBeside(const std::wstring& target) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(FolderOfTarget(target).c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

// What a file of `size` bytes needs free: itself and a tenth more.
uint64_t SpaceNeededFor(uint64_t size) { return size + size / 10; }

// Whether the drive of `target` has room for `size` bytes; true when it cannot say.
bool RoomFor(const std::wstring& target, uint64_t size) {
  const std::optional<uint64_t> free = FreeBytesBeside(target);
  return !free || *free >= SpaceNeededFor(size);
}

// The session of one transfer, its system waits set to the stall window: a silent server is left
// after as long where the system keeps them.
HINTERNET OpenInternet(const WinInet& api, int stallMs) {
  DWORD connection = 0;
  api.getConnectedState(&connection, 0);
  const DWORD accessType = (connection & INTERNET_CONNECTION_PROXY) != 0
                               ? INTERNET_OPEN_TYPE_PRECONFIG
                               : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
  HINTERNET internet =
      api.open(GbkToWide(MakeDownloadAgentName(::GetTickCount())).c_str(), accessType, nullptr, nullptr, 0);
  if (internet == nullptr) return nullptr;
  DWORD waitMs = static_cast<DWORD>(stallMs);
  for (DWORD option :
       {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    api.setOption(internet, option, &waitMs, sizeof waitMs);
  }
  return internet;
}

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

enum class BodyEnd { Complete, ReadFailed, WriteFailed, Stalled, TooLong, Cancelled };

// Moves the body from `reader` into `writer` chunk by chunk, handing each chunk's size to
// `received`, which says whether the body may go on.
template <typename Received>
BodyEnd TransferBody(BodyReader& reader, BlockWriter& writer, const DownloadLimits& limits, Received received) {
  Bytes chunk;
  for (;;) {
    switch (reader.Next(chunk, limits.stall_ms, limits.cancel)) {
      case BodyReader::Outcome::Cancelled:
        return BodyEnd::Cancelled;
      case BodyReader::Outcome::Stalled:
        return BodyEnd::Stalled;
      case BodyReader::Outcome::Failed:
        return BodyEnd::ReadFailed;
      case BodyReader::Outcome::Ended:
        return BodyEnd::Complete;
      case BodyReader::Outcome::Chunk:
        break;
    }
    const DWORD read = static_cast<DWORD>(chunk.size());
    std::copy(chunk.begin(), chunk.end(), writer.Space());
    if (!writer.Received(read)) return BodyEnd::WriteFailed;
    if (!received(read)) return BodyEnd::TooLong;
  }
}

}  // namespace

void ShowDownloadMessage(const std::string& message) {
  ::MessageBoxW(nullptr, GbkToWide(message).c_str(), GbkToWide(kDownloadMessageCaption).c_str(), MB_OK | MB_TASKMODAL);
}

std::string DiskSpaceMessage(uint64_t neededBytes) {
  const uint64_t megabytes = (neededBytes + (uint64_t{1} << 20) - 1) >> 20;
  return "磁盘空间不足，下载需要 " + ToText(static_cast<long long>(megabytes)) + " MB 可用空间。";
}

std::string DownloadTemporaryPath(std::string_view localPath) { return ConcatTexts(localPath, ".download"); }

bool ReplaceFileWithRetries(const std::wstring& source, const std::wstring& target) {
  for (int attempt = 1;; ++attempt) {
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD error = ::GetLastError();
    const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
    if (!held || attempt == kReplaceAttempts) {
      ::SetLastError(error);
      return false;
    }
    ::Sleep(kReplaceRetryMs);
  }
}

std::string MakeDownloadAgentName(uint32_t tickCount) { return "Agent" + ToText(static_cast<unsigned>(tickCount)); }

std::string MakeDownloadRequestHeaders(std::optional<int64_t> resumeOffset) {
  std::string headers =
      "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
      "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";
  if (resumeOffset) headers += "\r\nRange:bytes=" + ToText(static_cast<long long>(*resumeOffset)) + "-";
  return headers;
}

namespace {

// How a failed transfer ends: a log line, and its message to the user.
class TransferEnd {
public:
  TransferEnd(std::string_view url, std::string_view localPath, const DownloadMessageRoutine& message,
              const std::optional<ExpectedDigest>& expected)
      : prefix_(ConcatTexts("download: ", url, " -> ", localPath)), message_(message), expected_(expected) {}

  int Fail(const char* text) const {
    Log(ConcatTexts(prefix_, " failed: ", text));
    if (message_) message_(text);
    return kDownloadFailed;
  }
  int Unverified(const char* why) const {
    Log(ConcatTexts(prefix_, " refused: ", why, " (named sha256 \"", expected_ ? expected_->sha256 : "", "\", size \"",
                    expected_ ? expected_->size : "", "\")"));
    if (message_) message_(kDigestMismatchMessage);
    return kDownloadUnverified;
  }
  // The drive cannot hold `size` bytes and their tenth.
  int NoRoom(uint64_t size) const {
    const std::string text = DiskSpaceMessage(SpaceNeededFor(size));
    Log(ConcatTexts(prefix_, " refused: ", text));
    if (message_) message_(text);
    return kDownloadFailed;
  }

private:
  std::string prefix_;
  const DownloadMessageRoutine& message_;
  const std::optional<ExpectedDigest>& expected_;
};

void ReportProgress(const DownloadProgressRoutine& progress, DWORD contentLength, int64_t total, int64_t startOffset,
                    DWORD start) {
  if (!progress) return;
  DWORD elapsed = ::GetTickCount() - start;
  if (elapsed == 0) elapsed = 10;
  progress(static_cast<int32_t>(contentLength), static_cast<int32_t>(static_cast<uint32_t>(total)),
           static_cast<int32_t>(elapsed), static_cast<int32_t>(total - startOffset));
}

}  // namespace

namespace {

// The result of a body that did not arrive whole.
int BodyFailure(BodyEnd body, const TransferEnd& end, std::string_view url, bool sizeNamed) {
  switch (body) {
    case BodyEnd::Cancelled:
      Log(ConcatTexts("download: ", url, " cancelled by the user"));
      return kDownloadCancelled;
    case BodyEnd::Stalled:
      Log(ConcatTexts("download: ", url, " stalled"));
      return end.Fail(kReadErrorMessage);
    case BodyEnd::WriteFailed:
      return end.Fail(kLocalFileErrorMessage);
    case BodyEnd::TooLong:
      return sizeNamed ? end.Unverified("more bytes arrived than named") : end.Fail(kReadErrorMessage);
    case BodyEnd::ReadFailed:
    case BodyEnd::Complete:
      break;
  }
  return end.Fail(kReadErrorMessage);
}

}  // namespace

int DownloadToFile(std::string_view url, std::string_view localPath, const DownloadProgressRoutine& progress,
                   int64_t resumeOffset, bool resume, const DownloadMessageRoutine& message,
                   const std::optional<ExpectedDigest>& expected, DownloadKind kind, const DownloadLimits& limits) {
  const TransferEnd end(url, localPath, message, expected);
  auto fail = [&](const char* text) { return end.Fail(text); };
  auto unverified = [&](const char* why) { return end.Unverified(why); };

  // What cannot be checked is refused before anything is fetched.
  const std::optional<ParsedDigest> digest = expected ? ParseExpectedDigest(*expected) : std::nullopt;
  if (expected && !digest) return unverified("the named digest cannot be read");

  const std::wstring target = GbkToWide(localPath);
  if (!target.empty()) RemoveStaleTemporaryFiles(target);
  // The drive must hold the file before the body is asked for.
  auto roomFor = [&](uint64_t size) { return target.empty() || RoomFor(target, size); };
  if (digest && !roomFor(digest->size)) return end.NoRoom(digest->size);

  const WinInet api;
  if (!api.ready()) return fail(kInternetErrorMessage);
  UniqueInternetHandle internet(api, OpenInternet(api, limits.stall_ms));
  if (!internet) return fail(kInternetErrorMessage);
  const bool decoding = AskForDecoding(api, internet.get());

  const std::wstring headers =
      GbkToWide(MakeDownloadRequestHeaders(resume ? std::optional<int64_t>(resumeOffset) : std::nullopt));
  UniqueInternetHandle address(api, api.openUrl(internet.get(), GbkToWide(url).c_str(), headers.c_str(),
                                                static_cast<DWORD>(headers.size()), kOpenUrlFlags, 0));
  if (!address) return fail(kOpenUrlErrorMessage);

  // An error page is not the file that was asked for. Schemes without a status (ftp) pass.
  bool hasStatus = false;
  const DWORD status = QueryNumber(api, address.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, hasStatus);
  if (hasStatus && (status < 200 || status > 299)) return fail(kOpenUrlErrorMessage);
  const BodyEncoding encoding = EncodingOf(api, address.get(), decoding);
  if (encoding == BodyEncoding::Refused) return fail(kOpenUrlErrorMessage);
  // Only a partial answer continues the existing file; a full one starts it over.
  const bool appending = resume && hasStatus && status == 206;
  const int64_t startOffset = appending ? resumeOffset : 0;

  bool hasLength = false;
  const DWORD contentLength = QueryNumber(api, address.get(), kContentLengthQuery, hasLength);
  const std::optional<uint64_t> announced = AnnouncedLength(api, address.get());
  // What the whole file will be: the named size, else what is announced (after any resumed part).
  const std::optional<uint64_t> wholeAnnounced =
      announced ? std::optional<uint64_t>(*announced + static_cast<uint64_t>(startOffset)) : std::nullopt;
  const bool misannounced = digest && wholeAnnounced && *wholeAnnounced != digest->size;
  const bool tooBig = !digest && wholeAnnounced && !roomFor(*wholeAnnounced);
  if (misannounced || tooBig) {
    CloseOnTheirOwn(api, address);
    CloseOnTheirOwn(api, internet);
    return misannounced ? unverified("the announced length is not the size named") : end.NoRoom(*wholeAnnounced);
  }
  const uint64_t mostBytes = digest ? digest->size : limits.max_unnamed_bytes;

  TemporaryDownloadFile file;
  if (target.empty() || !file.Open(target, appending ? &target : nullptr)) return fail(kLocalFileErrorMessage);

  // Declared after the file, so that on every way out its thread has stopped before the file goes.
  BlockWriter writer(file);
  int64_t total = startOffset;
  const DWORD start = ::GetTickCount();
  BodyReader reader;
  if (!reader.Start(api, address, internet)) return fail(kInternetErrorMessage);
  const BodyEnd body = TransferBody(reader, writer, limits, [&](DWORD read) {
    total += read;
    ReportProgress(progress, contentLength, total, startOffset, start);
    return static_cast<uint64_t>(total) <= mostBytes;
  });
  if (body != BodyEnd::Complete) return BodyFailure(body, end, url, digest.has_value());
  if (!writer.Finish()) return fail(kLocalFileErrorMessage);
  // The connection ended before the announced length: what arrived is not the file. (A decoded
  // body's length is the encoded one's; the checks below stand in for it.)
  if (hasLength && encoding == BodyEncoding::Plain && static_cast<uint64_t>(total - startOffset) < contentLength) {
    return fail(kReadErrorMessage);
  }

  if (!file.Close()) return fail(kLocalFileErrorMessage);
  if (digest && !FileMatchesDigest(file.path(), *digest)) return unverified("size or SHA-256 differ");
  if (!ProgramAsAsked(kind, file.path(), url, localPath, message)) return kDownloadNotProgram;
  if (!file.ReplaceTarget(target)) return fail(kLocalFileErrorMessage);
  Log(ConcatTexts("download: ", url, " -> ", localPath, ", ", ToText(static_cast<long long>(total)), " bytes"));
  return kDownloadComplete;
}

}  // namespace storvane

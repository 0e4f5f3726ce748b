#include "net/download_to_file.h"

#include <windows.h>
#include <wininet.h>

#include <array>

#include "util/handles.h"
#include "util/log.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane {
namespace {

struct InternetHandleTraits {
  using type = HINTERNET;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::InternetCloseHandle(h); }
};
using UniqueInternetHandle = UniqueResource<InternetHandleTraits>;

constexpr DWORD kOpenUrlFlags = 0x84000100;        // reload, no cache write, no-cache pragma
constexpr DWORD kContentLengthQuery = 0x20000005;  // HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER
constexpr DWORD kChunkSize = 10240;
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

DWORD QueryNumber(HINTERNET request, DWORD query, bool& ok) {
  DWORD value = 0;
  DWORD size = sizeof value;
  ok = ::HttpQueryInfoW(request, query, &value, &size, nullptr) != 0;
  return ok ? value : 0;
}

}  // namespace

void ShowDownloadMessage(const std::string& message) {
  ::MessageBoxW(nullptr, GbkToWide(message).c_str(), GbkToWide(kDownloadMessageCaption).c_str(), MB_OK | MB_TASKMODAL);
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

int DownloadToFile(std::string_view url, std::string_view localPath, const DownloadProgressRoutine& progress,
                   int64_t resumeOffset, bool resume, const DownloadMessageRoutine& message,
                   const std::optional<ExpectedDigest>& expected) {
  auto fail = [&](const char* text) {
    Log(ConcatTexts("download: ", url, " -> ", localPath, " failed: ", text));
    if (message) message(text);
    return kDownloadFailed;
  };
  auto unverified = [&](const char* why) {
    Log(ConcatTexts("download: ", url, " -> ", localPath, " refused: ", why, " (named sha256 \"", expected->sha256,
                    "\", size \"", expected->size, "\")"));
    if (message) message(kDigestMismatchMessage);
    return kDownloadUnverified;
  };

  // What cannot be checked is refused before anything is fetched.
  const std::optional<ParsedDigest> digest = expected ? ParseExpectedDigest(*expected) : std::nullopt;
  if (expected && !digest) return unverified("the named digest cannot be read");

  const std::wstring target = GbkToWide(localPath);
  if (!target.empty()) RemoveStaleTemporaryFiles(target);

  DWORD connection = 0;
  ::InternetGetConnectedState(&connection, 0);
  const DWORD accessType = (connection & INTERNET_CONNECTION_PROXY) != 0
                               ? INTERNET_OPEN_TYPE_PRECONFIG
                               : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
  UniqueInternetHandle internet(
      ::InternetOpenW(GbkToWide(MakeDownloadAgentName(::GetTickCount())).c_str(), accessType, nullptr, nullptr, 0));
  if (!internet) return fail(kInternetErrorMessage);

  const std::wstring headers =
      GbkToWide(MakeDownloadRequestHeaders(resume ? std::optional<int64_t>(resumeOffset) : std::nullopt));
  UniqueInternetHandle address(::InternetOpenUrlW(internet.get(), GbkToWide(url).c_str(), headers.c_str(),
                                                  static_cast<DWORD>(headers.size()), kOpenUrlFlags, 0));
  if (!address) return fail(kOpenUrlErrorMessage);

  // An error page is not the file that was asked for. Schemes without a status (ftp) pass.
  bool hasStatus = false;
  const DWORD status = QueryNumber(address.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, hasStatus);
  if (hasStatus && (status < 200 || status > 299)) return fail(kOpenUrlErrorMessage);
  // Only a partial answer continues the existing file; a full one starts it over.
  const bool appending = resume && hasStatus && status == 206;
  const int64_t startOffset = appending ? resumeOffset : 0;

  TemporaryDownloadFile file;
  if (target.empty() || !file.Open(target, appending ? &target : nullptr)) return fail(kLocalFileErrorMessage);

  bool hasLength = false;
  const DWORD contentLength = QueryNumber(address.get(), kContentLengthQuery, hasLength);

  std::array<uint8_t, kChunkSize> buffer;
  int64_t total = startOffset;
  const DWORD start = ::GetTickCount();
  for (;;) {
    DWORD read = 0;
    if (!::InternetReadFile(address.get(), buffer.data(), kChunkSize, &read)) return fail(kReadErrorMessage);
    if (read == 0) break;
    if (!file.Write(buffer.data(), read)) return fail(kLocalFileErrorMessage);
    total += read;
    DWORD elapsed = ::GetTickCount() - start;
    if (elapsed == 0) elapsed = 10;
    if (progress) {
      progress(static_cast<int32_t>(contentLength), static_cast<int32_t>(static_cast<uint32_t>(total)),
               static_cast<int32_t>(elapsed), static_cast<int32_t>(total - startOffset));
    }
  }
  // The connection ended before the announced length: what arrived is not the file.
  if (hasLength && static_cast<uint64_t>(total - startOffset) < contentLength) return fail(kReadErrorMessage);

  address.reset();
  internet.reset();
  if (!file.Close()) return fail(kLocalFileErrorMessage);
  if (digest && !FileMatchesDigest(file.path(), *digest)) return unverified("size or SHA-256 differ");
  if (!file.ReplaceTarget(target)) return fail(kLocalFileErrorMessage);
  Log(ConcatTexts("download: ", url, " -> ", localPath, ", ", ToText(static_cast<long long>(total)), " bytes"));
  return kDownloadComplete;
}

}  // namespace storvane

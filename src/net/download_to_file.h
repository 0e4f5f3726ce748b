// The transfer routine behind every download of the program: one GET through WinINet, the body
// read in 10240-byte chunks and saved to a local file, a progress routine called after each chunk.
//
// A download never leaves half a file or a server's error page where the executable belongs: the
// body goes into a temporary file in the target's folder, and only a complete answer (status
// 2xx, every byte of a given Content-Length) replaces the target. Until then an older target
// stays as it was. The temporary file has one fixed name per target (DownloadTemporaryPath).
// After a failure it is gone, unless the transfer was cut short (connection lost, stalled,
// cancelled, or the program ended) with a resume key and a validator from the server: then it
// stays with its record for the next transfer to continue (download_resume.h). Every transfer
// removes a partial that is not its own, and the numbered "svd*.tmp" files earlier versions left
// in the target's folder. When the service named the file's size and SHA-256, the complete
// temporary file must have exactly those before it replaces anything; otherwise the transfer has
// failed like a short one.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/download_digest.h"
#include "net/download_retry.h"

namespace storvane {

// The failure messages, shown as task-modal boxes with an OK button and the caption "信息：".
inline constexpr char kInternetErrorMessage[] = "Internet连接错误!";     // no internet handle
inline constexpr char kOpenUrlErrorMessage[] = "不能打开该URL!";         // address not reachable, status not 2xx
inline constexpr char kLocalFileErrorMessage[] = "不能打开本地的文件!";  // temporary file or target not writable
inline constexpr char kReadErrorMessage[] = "读文件出错!";               // read failed, body shorter than announced
// Size or SHA-256 not the ones named, or named in a form that cannot be checked.
inline constexpr char kDigestMismatchMessage[] = "下载的文件未通过校验，已保留原来的版本。";
// A program was asked for and what arrived is none (an empty answer, a web page, a cut-off or
// still compressed body).
inline constexpr char kNotProgramMessage[] = "下载的文件不是完整的程序，已保留原来的版本。";
inline constexpr char kDownloadMessageCaption[] = "信息：";

// The refusal of a download that the install drive cannot hold: `neededBytes` in megabytes,
// rounded up.
std::string DiskSpaceMessage(uint64_t neededBytes);

// Called after every chunk received: content length (0 when the server gave none), total bytes
// so far including a resume offset (low 32 bits), milliseconds since the transfer started (10
// when that is 0), bytes received since the transfer started.
using DownloadProgressRoutine =
    std::function<void(int32_t contentLength, int32_t total, int32_t elapsedMs, int32_t received)>;

// Shows one of the failure messages (GBK text) to the user, on the calling thread.
using DownloadMessageRoutine = std::function<void(const std::string& message)>;

// The default message routine: a task-modal box with OK and the caption "信息：".
void ShowDownloadMessage(const std::string& message);

// "Agent" followed by the tick count in decimal: the WinINet session's agent name.
std::string MakeDownloadAgentName(uint32_t tickCount);

// The request header block sent with every transfer; with a resume offset, a Range line follows,
// and with a validator of the file continued, an If-Range line after it.
std::string MakeDownloadRequestHeaders(std::optional<int64_t> resumeOffset = std::nullopt,
                                       std::string_view ifRange = {});

// The temporary file of a transfer to `localPath`: beside it, named after it plus ".download".
std::string DownloadTemporaryPath(std::string_view localPath);

// Moves `source` over `target`, replacing it. An executable whose process has only just ended,
// or a file a virus scanner is reading, refuses for a moment: on a sharing violation or denied
// access the move is tried again for about two seconds. True once `target` has been replaced;
// otherwise both files are as they were and the last error is the move's.
bool ReplaceFileWithRetries(const std::wstring& source, const std::wstring& target);

// The results of DownloadToFile.
inline constexpr int kDownloadComplete = 0;
inline constexpr int kDownloadFailed = -1;
inline constexpr int kDownloadUnverified = -2;  // the body arrived whole but is not the file named
inline constexpr int kDownloadNotProgram = -3;  // a program was asked for and the body is none
inline constexpr int kDownloadCancelled = -4;   // the caller's cancel ended it

// What the target is. A Program target is replaced only by a complete executable image for
// i386 or amd64 (util/image_file.h), whether or not a digest was named.
enum class DownloadKind { File, Program };

// How one download goes. Besides a named size every transfer keeps two bounds: a transfer that
// receives less than one chunk (10240 bytes) in `stall_ms` has stalled, and a body of unnamed size
// fails once it is past `max_unnamed_bytes`. Before anything is written, the drive must have the
// expected size (named, else announced) plus a tenth free.
struct DownloadOptions {
  DownloadProgressRoutine progress = nullptr;
  DownloadMessageRoutine message = ShowDownloadMessage;
  std::optional<ExpectedDigest> expected = std::nullopt;
  DownloadKind kind = DownloadKind::File;
  int stall_ms = 30000;
  uint64_t max_unnamed_bytes = uint64_t{2} << 30;
  // When given and set from another thread, ends the transfer within a fraction of a second
  // without a message; the old target stays.
  const std::atomic<bool>* cancel = nullptr;
  // Asks for the bytes from `resume_offset` on and, when the server answers with a part (206),
  // appends them to a copy of the existing target (the expectation is then the whole file's);
  // a full answer (200) replaces it.
  int64_t resume_offset = 0;
  bool resume = false;
  // The version the file is fetched for. When given, a transfer cut short keeps its partial file
  // and record (download_resume.h) if the server named a validator, and the next transfer of the
  // same address and version continues it with Range and If-Range.
  std::string resume_key = {};
  // The waits before each new try after a failure that may pass (download_retry.h); empty: one
  // try only. A new try continues where the last one stopped when the server allows it.
  std::vector<int> retry_waits_ms =
      std::vector<int>(std::begin(kDownloadRetryWaitsMs), std::end(kDownloadRetryWaitsMs));
  // Run on the transfer's thread once the new file is complete and checked, right before it
  // replaces the target: what must stop using the target (its running copies) is ended here.
  std::function<void()> before_replace = nullptr;
};

// Downloads `url` (GBK text) to `localPath` (GBK text). Returns kDownloadComplete once the
// complete body is in place; otherwise kDownloadFailed or, when it does not match the expected
// digest, kDownloadUnverified, or for a Program that is none kDownloadNotProgram, or
// kDownloadCancelled, and the failure's message (none for a cancel) has been given to `message`
// once, after the last try. An expectation that cannot be read fails at once, without a request.
// A body sent with a Content-Encoding is taken only as WinINet decoded it (gzip, deflate); any
// other encoding is refused like an error status.
//
// A named size bounds the transfer: a Content-Length other than it, or more bytes than it, fails
// at once as a file that is not the one named (kDownloadUnverified). A drive without room for the
// file is refused with DiskSpaceMessage before the body is asked for (named size) or read
// (announced size), and nothing is written.
int DownloadToFile(std::string_view url, std::string_view localPath, const DownloadOptions& options = {});

}  // namespace storvane

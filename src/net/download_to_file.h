// The transfer routine behind every download of the program: one GET through WinINet, the body
// read in 10240-byte chunks and saved to a local file, a progress routine called after each chunk.
//
// A download never leaves half a file or a server's error page where the executable belongs: the
// body goes into a temporary file in the target's folder, and only a complete answer (status
// 2xx, every byte of a given Content-Length) replaces the target. Until then an older target
// stays as it was; after a failure the temporary file is gone. The temporary file has one fixed
// name per target (DownloadTemporaryPath), so a run killed mid-transfer leaves at most that one
// behind, and the next transfer to the target removes it, whatever its outcome, together with
// the numbered "svd*.tmp" files earlier versions left in that folder. When the service named the
// file's size and SHA-256, the complete temporary file must have exactly those before it replaces
// anything; otherwise the transfer has failed like a short one.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "net/download_digest.h"

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

// The bounds every transfer keeps besides a named size: a transfer that receives less than one
// chunk (10240 bytes) in `stall_ms` has stalled and fails; a body of unnamed size fails once it is
// past `max_unnamed_bytes`. Before anything is written, the drive must have the expected size
// (named, else announced) plus a tenth free.
// `cancel`, when given and set from another thread, ends the transfer within a fraction of a
// second without a message; the old target stays.
struct DownloadLimits {
  int stall_ms = 30000;
  uint64_t max_unnamed_bytes = uint64_t{2} << 30;
  const std::atomic<bool>* cancel = nullptr;
};

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

// The request header block sent with every transfer; with a resume offset, a Range line follows.
std::string MakeDownloadRequestHeaders(std::optional<int64_t> resumeOffset = std::nullopt);

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

// Downloads `url` (GBK text) to `localPath` (GBK text). Returns kDownloadComplete once the complete
// body is in place; otherwise kDownloadFailed or, when it does not match `expected`,
// kDownloadUnverified, or for a Program that is none kDownloadNotProgram, and the failure's
// message has been given to `message`. An expectation that cannot be read fails at once, without a
// request. A body sent with a Content-Encoding is taken only as WinINet decoded it (gzip,
// deflate); any other encoding is refused like an error status. With `resume`, the request asks for the bytes
// from `resumeOffset` on and, when the server answers with a part (206), they are appended to a
// copy of the existing file (the expectation is then the whole file's); a full answer (200)
// replaces it.
//
// A named size bounds the transfer: a Content-Length other than it, or more bytes than it, fails
// at once as a file that is not the one named (kDownloadUnverified). A drive without room for the
// file is refused with DiskSpaceMessage before the body is asked for (named size) or read
// (announced size), and nothing is written.
int DownloadToFile(std::string_view url, std::string_view localPath, const DownloadProgressRoutine& progress,
                   int64_t resumeOffset = 0, bool resume = false,
                   const DownloadMessageRoutine& message = ShowDownloadMessage,
                   const std::optional<ExpectedDigest>& expected = std::nullopt, DownloadKind kind = DownloadKind::File,
                   const DownloadLimits& limits = {});

}  // namespace storvane

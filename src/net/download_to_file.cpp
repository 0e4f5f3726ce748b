#include "net/download_to_file.h"

#include "net/download_file.h"
#include "net/download_resume.h"
#include "net/download_wininet.h"

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

constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplaceRetryMs = 100;

// Header lines too long to read give an encoding nothing decodes: the body is refused rather
// than saved unread.
std::string ContentEncodingOf(const std::optional<std::string>& headers) {
  return headers ? HeaderIn(*headers, "content-encoding:") : "unread";
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

BodyEncoding EncodingOf(const std::optional<std::string>& headers, bool decoding) {
  const std::string contentEncoding = ContentEncodingOf(headers);
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

enum class BodyEnd { Complete, ReadFailed, WriteFailed, Stalled, TooLong, Cancelled };

// Moves the body from `reader` into `writer` chunk by chunk, handing each chunk's size to
// `received`, which says whether the body may go on.
template <typename Received>
BodyEnd TransferBody(BodyReader& reader, BlockWriter& writer, const DownloadOptions& limits, Received received) {
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

std::string MakeDownloadRequestHeaders(std::optional<int64_t> resumeOffset, std::string_view ifRange) {
  std::string headers =
      "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
      "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";
  if (resumeOffset) headers += "\r\nRange:bytes=" + ToText(static_cast<long long>(*resumeOffset)) + "-";
  if (resumeOffset && !ifRange.empty()) headers += ConcatTexts("\r\nIf-Range: ", ifRange);
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

// What one try came to: the download's result (its message given), a failure that may pass
// (its message kept for when no new try follows), or an answer that does not continue the
// partial, which is then dropped and asked for whole at once.
struct Try {
  enum class End { Final, Again, Restart };
  End end = End::Final;
  int result = kDownloadFailed;
  const char* text = nullptr;
  std::optional<int> waitMs = std::nullopt;  // what the server asked to wait
};

Try Final(int result) { return {Try::End::Final, result}; }
Try Again(const char* text, std::optional<int> waitMs = std::nullopt) {
  return {Try::End::Again, kDownloadFailed, text, waitMs};
}

// What the tries of one download share.
struct Download {
  std::string_view url;
  std::string_view localPath;
  const DownloadOptions& options;
  const TransferEnd& end;
  const WinInet& api;
  std::optional<ParsedDigest> digest;
  std::wstring target;
  std::wstring partial = {};                             // target + ".download"
  ResumeRecord wanted = {};                              // the validator is the answer's
  std::optional<ResumePoint> resumeFrom = std::nullopt;  // where the next try continues the partial
};

// The Range (and If-Range) the try asks with.
std::wstring RequestHeadersFor(const Download& d) {
  if (d.resumeFrom) return GbkToWide(MakeDownloadRequestHeaders(d.resumeFrom->offset, d.resumeFrom->validator.value));
  const DownloadOptions& o = d.options;
  return GbkToWide(MakeDownloadRequestHeaders(o.resume ? std::optional<int64_t>(o.resume_offset) : std::nullopt));
}

// The outcome of an address that could not be opened: a malformed one fails for good.
Try NotOpened(const TransferEnd& end) {
  const DWORD error = ::GetLastError();
  if (error == ERROR_INTERNET_INVALID_URL || error == ERROR_INTERNET_UNRECOGNIZED_SCHEME) {
    return Final(end.Fail(kOpenUrlErrorMessage));
  }
  return Again(kOpenUrlErrorMessage);
}

// How the answer's body goes into the partial file.
struct Placement {
  TemporaryDownloadFile::Start start = TemporaryDownloadFile::Start::Empty;
  int64_t offset = 0;
  bool resumable = false;  // a cut body leaves the partial and its record
};

// Where the answer's body goes: appended to the partial when it is the rest of the very file
// the partial began (206 from the partial's length, the same validator); nullopt when a part
// answer continues something else.
std::optional<Placement> PlaceAnswer(const Download& d, bool partAnswer,
                                     const std::optional<DownloadValidator>& validator,
                                     const std::optional<std::string>& headers) {
  const DownloadOptions& o = d.options;
  Placement place;
  place.resumable = !o.resume_key.empty() && !o.resume && validator.has_value();
  if (d.resumeFrom && partAnswer) {
    const std::optional<int64_t> from =
        headers ? ContentRangeStart(HeaderIn(*headers, "content-range:")) : std::nullopt;
    if (from != d.resumeFrom->offset || validator != d.resumeFrom->validator) return std::nullopt;
    place.start = TemporaryDownloadFile::Start::Continued;
    place.offset = d.resumeFrom->offset;
  } else if (!d.resumeFrom && o.resume && partAnswer) {
    place.start = TemporaryDownloadFile::Start::CopyOfTarget;
    place.offset = o.resume_offset;
  }
  return place;
}

// Starts the partial over for a body from its first byte: the old one goes, and when the body
// can be continued later, its record is in place before the first byte is.
bool BeginPartial(const Download& d, const Placement& place, const std::optional<DownloadValidator>& validator) {
  if (place.start == TemporaryDownloadFile::Start::Continued) return true;
  RemovePartial(d.partial);
  if (!place.resumable) return false;
  ResumeRecord record = d.wanted;
  record.validator = *validator;
  return WriteResumeRecord(d.partial, record);
}

// A body cut short: what arrived goes to the disk, and stays for the next try (or transfer) to
// continue when it can be.
Try CutShort(Download& d, TemporaryDownloadFile& file, BlockWriter& writer, bool resumable, int64_t total,
             const DownloadValidator* validator, BodyEnd body) {
  const bool kept = resumable && writer.Finish() && file.Close() && validator != nullptr;
  if (kept) {
    file.Keep();
    d.resumeFrom = ResumePoint{total, *validator};
  } else {
    d.resumeFrom.reset();
  }
  if (body == BodyEnd::Cancelled) {
    Log(ConcatTexts("download: ", d.url, " cancelled by the user", kept ? "; the part received is kept" : ""));
    return Final(kDownloadCancelled);
  }
  if (body == BodyEnd::Stalled) Log(ConcatTexts("download: ", d.url, " stalled"));
  return Again(kReadErrorMessage);
}

// The checks of a complete file and its move into the target's place. A cancel that comes before
// the replace still counts: nothing that uses the target is ended, and the file stays when it
// can be continued.
Try Finish(const Download& d, TemporaryDownloadFile& file, int64_t total, bool resumable) {
  if (!file.Close()) return Final(d.end.Fail(kLocalFileErrorMessage));
  if (d.digest && !FileMatchesDigest(file.path(), *d.digest)) {
    return Final(d.end.Unverified("size or SHA-256 differ"));
  }
  if (!ProgramAsAsked(d.options.kind, file.path(), d.url, d.localPath, d.options.message)) {
    return Final(kDownloadNotProgram);
  }
  if (d.options.cancel != nullptr && d.options.cancel->load()) {
    if (resumable) file.Keep();
    Log(ConcatTexts("download: ", d.url, " cancelled by the user before the replace"));
    return Final(kDownloadCancelled);
  }
  if (d.options.before_replace) d.options.before_replace();
  if (!file.ReplaceTarget(d.target)) return Final(d.end.Fail(kLocalFileErrorMessage));
  ::DeleteFileW(ResumeRecordPath(d.partial).c_str());
  Log(ConcatTexts("download: ", d.url, " -> ", d.localPath, ", ", ToText(static_cast<long long>(total)), " bytes"));
  return Final(kDownloadComplete);
}

// One request and its body.
Try TryOnce(Download& d) {
  const DownloadOptions& o = d.options;
  const WinInet& api = d.api;
  const TransferEnd& end = d.end;
  UniqueInternetHandle internet(api, OpenInternet(api, o.stall_ms));
  if (!internet) return Final(end.Fail(kInternetErrorMessage));
  const bool decoding = AskForDecoding(api, internet.get());
  const std::wstring headers = RequestHeadersFor(d);
  bool cancelled = false;
  UniqueInternetHandle address(api, OpenAddress(api, internet, GbkToWide(d.url), headers, o.cancel, cancelled));
  if (cancelled) {
    Log(ConcatTexts("download: ", d.url, " cancelled by the user before the server answered"));
    return Final(kDownloadCancelled);
  }
  if (!address) return NotOpened(end);
  auto leave = [&] {
    CloseOnTheirOwn(api, address);
    CloseOnTheirOwn(api, internet);
  };

  // An error page is not the file that was asked for. Schemes without a status (ftp) pass.
  bool hasStatus = false;
  const DWORD status = QueryNumber(api, address.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, hasStatus);
  const std::optional<std::string> answer = RawHeaders(api, address.get());
  // A partial at least as long as the file cannot be continued.
  if (hasStatus && status == 416 && d.resumeFrom) {
    leave();
    return {Try::End::Restart};
  }
  if (hasStatus && IsTransientStatus(status)) {
    leave();
    return Again(kOpenUrlErrorMessage, answer ? RetryAfterMs(HeaderIn(*answer, "retry-after:")) : std::nullopt);
  }
  if (hasStatus && (status < 200 || status > 299)) return Final(end.Fail(kOpenUrlErrorMessage));
  const BodyEncoding encoding = EncodingOf(answer, decoding);
  if (encoding == BodyEncoding::Refused) return Final(end.Fail(kOpenUrlErrorMessage));
  const std::optional<DownloadValidator> validator =
      answer ? ChooseValidator(HeaderIn(*answer, "etag:"), HeaderIn(*answer, "last-modified:")) : std::nullopt;
  std::optional<Placement> place = PlaceAnswer(d, hasStatus && status == 206, validator, answer);
  if (!place) {
    leave();
    return {Try::End::Restart};
  }
  const int64_t startOffset = place->offset;

  bool hasLength = false;
  const DWORD contentLength = QueryNumber(api, address.get(), kContentLengthQuery, hasLength);
  const std::optional<uint64_t> announced = AnnouncedLength(api, address.get());
  // What the whole file will be: the named size, else what is announced (after any resumed part).
  const std::optional<uint64_t> wholeAnnounced =
      announced ? std::optional<uint64_t>(*announced + static_cast<uint64_t>(startOffset)) : std::nullopt;
  const bool misannounced = d.digest && wholeAnnounced && *wholeAnnounced != d.digest->size;
  const bool tooBig = !d.digest && wholeAnnounced && !d.target.empty() && !RoomFor(d.target, *wholeAnnounced);
  if (misannounced || tooBig) {
    leave();
    return Final(misannounced ? end.Unverified("the announced length is not the size named")
                              : end.NoRoom(*wholeAnnounced));
  }
  const uint64_t mostBytes = d.digest ? d.digest->size : o.max_unnamed_bytes;

  place->resumable = BeginPartial(d, *place, validator) && place->resumable;
  TemporaryDownloadFile file;
  if (d.target.empty() || !file.Open(d.target, place->start)) return Final(end.Fail(kLocalFileErrorMessage));

  // Declared after the file, so that on every way out its thread has stopped before the file goes.
  BlockWriter writer(file);
  int64_t total = startOffset;
  // The bar follows the whole file, also when only its rest is asked for.
  const DWORD wholeLength = hasLength ? contentLength + static_cast<DWORD>(startOffset) : 0;
  const DWORD start = ::GetTickCount();
  BodyReader reader;
  if (!reader.Start(api, address, internet)) return Final(end.Fail(kInternetErrorMessage));
  const BodyEnd body = TransferBody(reader, writer, o, [&](DWORD read) {
    total += read;
    ReportProgress(o.progress, wholeLength, total, startOffset, start);
    return static_cast<uint64_t>(total) <= mostBytes;
  });
  const DownloadValidator* kept = validator ? &*validator : nullptr;
  switch (body) {
    case BodyEnd::Cancelled:
    case BodyEnd::Stalled:
    case BodyEnd::ReadFailed:
      return CutShort(d, file, writer, place->resumable, total, kept, body);
    case BodyEnd::WriteFailed:
      return Final(end.Fail(kLocalFileErrorMessage));
    case BodyEnd::TooLong:
      return Final(d.digest ? end.Unverified("more bytes arrived than named") : end.Fail(kReadErrorMessage));
    case BodyEnd::Complete:
      break;
  }
  // The connection ended before the announced length: what arrived is not the file yet. (A
  // decoded body's length is the encoded one's; the checks of Finish stand in for it.)
  if (hasLength && encoding == BodyEncoding::Plain && static_cast<uint64_t>(total - startOffset) < contentLength) {
    return CutShort(d, file, writer, place->resumable, total, kept, BodyEnd::ReadFailed);
  }
  if (!writer.Finish()) return Final(end.Fail(kLocalFileErrorMessage));
  return Finish(d, file, total, place->resumable);
}

// Answers that would not continue the partial may come this many times before the download
// gives up (a file that keeps changing under it).
constexpr int kMostRestarts = 3;

}  // namespace

int DownloadToFile(std::string_view url, std::string_view localPath, const DownloadOptions& options) {
  const TransferEnd end(url, localPath, options.message, options.expected);
  // What cannot be checked is refused before anything is fetched.
  const std::optional<ParsedDigest> digest = options.expected ? ParseExpectedDigest(*options.expected) : std::nullopt;
  if (options.expected && !digest) return end.Unverified("the named digest cannot be read");

  const WinInet api;
  Download d{url, localPath, options, end, api, digest, GbkToWide(localPath)};
  d.partial = d.target + kTemporarySuffix;
  d.wanted = {std::string(url),
              options.resume_key,
              {},
              options.expected ? options.expected->sha256 : "",
              options.expected ? options.expected->size : ""};
  if (!d.target.empty()) {
    RemoveLegacyTemporaryFiles(d.target);
    if (options.resume_key.empty() || options.resume) {
      RemovePartial(d.partial);
    } else {
      d.resumeFrom = FindResumePoint(d.partial, d.wanted);
      if (d.resumeFrom)
        Log(ConcatTexts("download: ", url, " continues a partial of ", ToText(d.resumeFrom->offset), " bytes"));
    }
  }
  // The drive must hold the file before the body is asked for.
  if (digest && !d.target.empty() && !RoomFor(d.target, digest->size)) return end.NoRoom(digest->size);
  if (!api.ready()) return end.Fail(kInternetErrorMessage);

  size_t retries = 0;
  int restarts = 0;
  for (;;) {
    if (options.cancel != nullptr && options.cancel->load()) return kDownloadCancelled;
    const Try t = TryOnce(d);
    if (t.end == Try::End::Final) {
      const bool keeps = t.result == kDownloadCancelled || t.result == kDownloadComplete;
      if (!keeps && !d.target.empty()) RemovePartial(d.partial);
      return t.result;
    }
    if (t.end == Try::End::Restart) {
      Log(ConcatTexts("download: ", url, " the server's file is not the one the partial began; starting over"));
      RemovePartial(d.partial);
      d.resumeFrom.reset();
      if (++restarts > kMostRestarts) return end.Fail(kReadErrorMessage);
      continue;
    }
    if (retries >= options.retry_waits_ms.size()) return end.Fail(t.text);
    const int waitMs = t.waitMs.value_or(options.retry_waits_ms[retries]);
    ++retries;
    Log(ConcatTexts("download: ", url, " failed (", t.text, "); try ", ToText(static_cast<long long>(retries) + 1),
                    " in ", ToText(static_cast<long long>(waitMs)), " ms"));
    if (!WaitBeforeRetry(waitMs, options.cancel)) return kDownloadCancelled;
  }
}

}  // namespace storvane

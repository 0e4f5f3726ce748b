// What lets a transfer cut short continue where it stopped: the partial file "<target>.download"
// and, beside it, "<target>.download.resume", a small record of what the partial is part of
// (the address, the version it was fetched for, the server's validator, and the size and
// SHA-256 the service named, when it named them).
//
// A partial is continued only for the same address and version, and only while the server still
// holds the same file (its ETag or Last-Modified, sent back in If-Range): anything else, and a
// partial without a record, is removed before the next transfer starts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace storvane {

// How the server identified the file: a strong ETag, else its Last-Modified date. Weak ETags
// cannot vouch for a byte range, and a file with neither cannot be continued.
struct DownloadValidator {
  enum class Kind { ETag, LastModified };
  Kind kind = Kind::ETag;
  std::string value;  // as the server sent it, sent back unchanged in If-Range
  bool operator==(const DownloadValidator&) const = default;
};

// The validator an answer's ETag and Last-Modified values (empty when absent) give; none when
// the file cannot be continued.
std::optional<DownloadValidator> ChooseValidator(std::string_view etag, std::string_view lastModified);

struct ResumeRecord {
  std::string address;
  std::string version;
  DownloadValidator validator;
  std::string sha256;  // as named, empty when none was
  std::string size;
  bool operator==(const ResumeRecord&) const = default;
};

// The record as its file holds it, and back; nullopt for a text that is no record (a field
// missing or holding a line end).
std::optional<std::string> FormatResumeRecord(const ResumeRecord& record);
std::optional<ResumeRecord> ParseResumeRecord(std::string_view text);

// The record's file for the temporary file `partialPath`.
std::wstring ResumeRecordPath(const std::wstring& partialPath);

// Reads and writes the record beside `partialPath`; Write replaces it in one step.
std::optional<ResumeRecord> ReadResumeRecord(const std::wstring& partialPath);
bool WriteResumeRecord(const std::wstring& partialPath, const ResumeRecord& record);

// Removes the partial file and its record.
void RemovePartial(const std::wstring& partialPath);

// Where a transfer that is `wanted` continues: the partial's length and the validator to send,
// when the partial beside it belongs to `wanted` (same address, version and named digest; the
// validator of `wanted` is not looked at). Otherwise the partial and its record are removed and nullopt returned.
struct ResumePoint {
  int64_t offset = 0;
  DownloadValidator validator;
};
std::optional<ResumePoint> FindResumePoint(const std::wstring& partialPath, const ResumeRecord& wanted);

// The first byte of a 206 answer's Content-Range ("bytes 100-199/200"); nullopt when unreadable.
std::optional<int64_t> ContentRangeStart(std::string_view contentRange);

}  // namespace storvane

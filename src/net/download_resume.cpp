#include "net/download_resume.h"

#include <windows.h>

#include <charconv>

#include "util/small_file.h"
#include "util/text.h"

namespace storvane {
namespace {

constexpr std::string_view kFirstLine = "storvane download record 1";
constexpr wchar_t kRecordSuffix[] = L".resume";

bool HoldsLineEnd(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

std::string_view KindName(DownloadValidator::Kind kind) {
  return kind == DownloadValidator::Kind::ETag ? "etag" : "last-modified";
}

}  // namespace

std::optional<DownloadValidator> ChooseValidator(std::string_view etag, std::string_view lastModified) {
  const std::string tag = TrimText(etag);
  if (!tag.empty() && tag.rfind("W/", 0) != 0) return DownloadValidator{DownloadValidator::Kind::ETag, tag};
  const std::string date = TrimText(lastModified);
  if (!date.empty()) return DownloadValidator{DownloadValidator::Kind::LastModified, date};
  return std::nullopt;
}

std::optional<std::string> FormatResumeRecord(const ResumeRecord& r) {
  for (std::string_view field :
       {std::string_view(r.address), std::string_view(r.version), std::string_view(r.validator.value),
        std::string_view(r.sha256), std::string_view(r.size)}) {
    if (HoldsLineEnd(field)) return std::nullopt;
  }
  if (r.address.empty() || r.validator.value.empty()) return std::nullopt;
  return ConcatTexts(kFirstLine, "\r\naddress=", r.address, "\r\nversion=", r.version, "\r\n",
                     KindName(r.validator.kind), "=", r.validator.value, "\r\nsha256=", r.sha256, "\r\nsize=", r.size,
                     "\r\n");
}

std::optional<ResumeRecord> ParseResumeRecord(std::string_view text) {
  ResumeRecord record;
  // Each field once, in this order: anything else is not a record this program wrote.
  std::string* const fields[] = {&record.address, &record.version, &record.validator.value, &record.sha256,
                                 &record.size};
  size_t start = 0;
  auto nextLine = [&]() -> std::optional<std::string_view> {
    const size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(start, end - start);
    start = end + 2;
    return line;
  };
  if (nextLine() != kFirstLine) return std::nullopt;
  constexpr std::string_view kNames[] = {"address=", "version=", "", "sha256=", "size="};
  for (size_t i = 0; i < std::size(fields); ++i) {
    const std::optional<std::string_view> line = nextLine();
    if (!line) return std::nullopt;
    std::string_view name = kNames[i];
    if (i == 2) {
      const bool etag = line->rfind("etag=", 0) == 0;
      record.validator.kind = etag ? DownloadValidator::Kind::ETag : DownloadValidator::Kind::LastModified;
      name = etag ? "etag=" : "last-modified=";
    }
    if (line->rfind(name, 0) != 0) return std::nullopt;
    *fields[i] = std::string(line->substr(name.size()));
  }
  if (start != text.size() || record.address.empty() || record.validator.value.empty()) return std::nullopt;
  return record;
}

std::wstring ResumeRecordPath(const std::wstring& partialPath) { return partialPath + kRecordSuffix; }

std::optional<ResumeRecord> ReadResumeRecord(const std::wstring& partialPath) {
  const std::optional<std::string> text = ReadSmallFile(ResumeRecordPath(partialPath), 16384);
  return text ? ParseResumeRecord(*text) : std::nullopt;
}

bool WriteResumeRecord(const std::wstring& partialPath, const ResumeRecord& record) {
  const std::optional<std::string> text = FormatResumeRecord(record);
  return text && ReplaceSmallFile(ResumeRecordPath(partialPath), *text);
}

void RemovePartial(const std::wstring& partialPath) {
  ::DeleteFileW(partialPath.c_str());
  ::DeleteFileW(ResumeRecordPath(partialPath).c_str());
}

std::optional<ResumePoint> FindResumePoint(const std::wstring& partialPath, const ResumeRecord& wanted) {
  const std::optional<ResumeRecord> record = ReadResumeRecord(partialPath);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  const bool present = ::GetFileAttributesExW(partialPath.c_str(), GetFileExInfoStandard, &data) != 0 &&
                       (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  const int64_t length = present ? static_cast<int64_t>((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow) : 0;
  const bool same = record && record->address == wanted.address && record->version == wanted.version &&
                    record->sha256 == wanted.sha256 && record->size == wanted.size;
  if (!same || length <= 0) {
    RemovePartial(partialPath);
    return std::nullopt;
  }
  return ResumePoint{length, record->validator};
}

std::optional<int64_t> ContentRangeStart(std::string_view contentRange) {
  std::string text = TrimText(contentRange);
  constexpr std::string_view kUnit = "bytes ";
  if (text.size() <= kUnit.size() || text.compare(0, kUnit.size(), kUnit) != 0) return std::nullopt;
  const char* first = text.data() + kUnit.size();
  const char* last = text.data() + text.size();
  int64_t start = -1;
  const auto [end, error] = std::from_chars(first, last, start);
  if (error != std::errc() || end == first || end == last || *end != '-' || start < 0) return std::nullopt;
  return start;
}

}  // namespace storvane

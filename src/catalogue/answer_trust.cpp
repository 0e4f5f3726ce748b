#include "catalogue/answer_trust.h"

#include <windows.h>

#include <charconv>

#include "util/crypto.h"
#include "util/small_file.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane {
namespace {

// Only plain decimal digits: a sign, a fraction or an exponent is not a publication time.
std::optional<int64_t> ParseSeconds(std::string_view text) {
  int64_t value = 0;
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::wstring AcceptedTimePath(std::string_view runDirectory, std::string_view answerName) {
  return GbkToWide(ConcatTexts(OfflineFolder(runDirectory), "/", answerName, ".published"));
}

}  // namespace

std::string OfflineFolder(std::string_view runDirectory) { return ConcatTexts(runDirectory, "/", kOfflineFolderName); }

bool EnsureOfflineFolder(std::string_view runDirectory) {
  const std::wstring folder = GbkToWide(OfflineFolder(runDirectory));
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<int64_t> PublishedTime(JsonDocument& document) {
  if (document.GetType("published") != kJsonNumber) return std::nullopt;
  return ParseSeconds(document.GetText("published", false));
}

bool EveryEntryHasDigest(JsonDocument& document) {
  const int count = document.GetCount("data");
  for (int k = 0; k < count; ++k) {
    const std::string path = ConcatTexts("data[", ToText(k), "].soft_sha256");
    if (document.GetType(path) != kJsonString || !ParseSha256Hex(document.GetText(path, false))) return false;
  }
  return true;
}

bool AnswerAcceptable(JsonDocument& document, bool signedBuild, std::optional<int64_t> newestAccepted) {
  if (document.GetType("data") != kJsonArray) return false;
  if (!signedBuild) return true;
  const std::optional<int64_t> published = PublishedTime(document);
  if (!published || (newestAccepted && *published < *newestAccepted)) return false;
  return EveryEntryHasDigest(document);
}

std::optional<int64_t> ReadAcceptedTime(std::string_view runDirectory, std::string_view answerName) {
  const std::optional<std::string> text = ReadSmallFile(AcceptedTimePath(runDirectory, answerName), 64);
  return text ? ParseSeconds(*text) : std::nullopt;
}

bool RecordAcceptedTime(std::string_view runDirectory, std::string_view answerName, int64_t published) {
  const std::optional<int64_t> recorded = ReadAcceptedTime(runDirectory, answerName);
  if (recorded && *recorded >= published) return true;
  return EnsureOfflineFolder(runDirectory) &&
         ReplaceSmallFile(AcceptedTimePath(runDirectory, answerName), std::to_string(published));
}

}  // namespace storvane

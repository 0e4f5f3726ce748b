#include "catalogue/answer_trust.h"

#include <windows.h>

#include <algorithm>
#include <charconv>

#include "net/download_digest.h"
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

std::optional<int64_t> SecondsAt(JsonDocument& document, const char* path) {
  if (document.GetType(path) != kJsonNumber) return std::nullopt;
  return ParseSeconds(document.GetText(path, false));
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

std::optional<int64_t> PublishedTime(JsonDocument& document) { return SecondsAt(document, "published"); }

std::optional<int64_t> ExpiryTime(JsonDocument& document) { return SecondsAt(document, "expires"); }

bool EveryEntryIsChecked(JsonDocument& document) {
  const int count = document.GetCount("data");
  for (int k = 0; k < count; ++k) {
    const std::string entry = ConcatTexts("data[", ToText(k), "].");
    if (document.GetType(entry + "soft_sha256") != kJsonString) return false;
    const std::optional<ExpectedDigest> named =
        NamedDigest(document.GetText(entry + "soft_sha256", false), document.GetText(entry + "soft_size", false));
    if (!named || !ParseExpectedDigest(*named)) return false;
  }
  return true;
}

AnswerFault FindAnswerFault(JsonDocument& document, bool signedBuild, const AnswerRules& rules) {
  if (document.GetType("data") != kJsonArray) return AnswerFault::kNotAnAnswer;
  if (!signedBuild) return AnswerFault::kNone;
  if (document.GetType("answer") != kJsonString || document.GetText("answer", false) != rules.name) {
    return AnswerFault::kOtherAnswer;
  }
  const std::optional<int64_t> published = PublishedTime(document);
  const std::optional<int64_t> expires = ExpiryTime(document);
  if (!published || !expires) return AnswerFault::kUndated;
  if (*published < rules.oldest) return AnswerFault::kOlder;
  if (rules.now && *expires <= *rules.now) return AnswerFault::kExpired;
  return EveryEntryIsChecked(document) ? AnswerFault::kNone : AnswerFault::kUncheckedEntry;
}

std::string DescribeAnswerFault(AnswerFault fault) {
  switch (fault) {
    case AnswerFault::kNone:
      return "acceptable";
    case AnswerFault::kNotAnAnswer:
      return "not an answer with a data array";
    case AnswerFault::kOtherAnswer:
      return "signed as another answer (its \"answer\" names another or none)";
    case AnswerFault::kUndated:
      return "without a whole-second \"published\" and \"expires\"";
    case AnswerFault::kOlder:
      return "older than the newest accepted or the build's minimum";
    case AnswerFault::kExpired:
      return "expired (its \"expires\" has passed by the system clock)";
    case AnswerFault::kUncheckedEntry:
      return "with an entry lacking soft_sha256 or soft_size";
  }
  return "refused";
}

std::optional<int64_t> ReadAcceptedTime(std::string_view runDirectory, std::string_view answerName) {
  const std::optional<std::string> text = ReadSmallFile(AcceptedTimePath(runDirectory, answerName), 64);
  return text ? ParseSeconds(*text) : std::nullopt;
}

int64_t OldestAcceptable(std::string_view runDirectory, std::string_view answerName, int64_t buildMinimum) {
  return std::max(ReadAcceptedTime(runDirectory, answerName).value_or(buildMinimum), buildMinimum);
}

bool RecordAcceptedTime(std::string_view runDirectory, std::string_view answerName, int64_t published) {
  const std::optional<int64_t> recorded = ReadAcceptedTime(runDirectory, answerName);
  if (recorded && *recorded >= published) return true;
  return EnsureOfflineFolder(runDirectory) &&
         ReplaceSmallFile(AcceptedTimePath(runDirectory, answerName), std::to_string(published));
}

}  // namespace storvane

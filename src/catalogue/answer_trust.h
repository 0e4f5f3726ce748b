// What makes an answer of the version service one to use, and the records that keep a signed
// build from going back to an older answer. Both the catalogue and the launcher's own answer
// go through these rules.
//
// Beside the program, in the folder "offline" of its run directory, each answer a signed build
// accepted leaves the newest publication time it carried: "<answer>.published", decimal seconds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "util/json_document.h"
#include "util/update_records.h"  // UnixTimeNow, what "expires" is held against

namespace storvane {

inline constexpr char kOfflineFolderName[] = "offline";

// run directory + "/offline"; and that folder, made when missing (true when it exists then).
std::string OfflineFolder(std::string_view runDirectory);
bool EnsureOfflineFolder(std::string_view runDirectory);

// The answer's top-level "published" and "expires": JSON numbers of whole seconds, not
// negative. nullopt for anything else (missing, text, fraction, exponent form).
std::optional<int64_t> PublishedTime(JsonDocument& document);
std::optional<int64_t> ExpiryTime(JsonDocument& document);

// True when every entry of "data" names soft_sha256 (exactly 64 hex digits) and soft_size
// (plain decimal digits): what a download is checked against, so an entry without both could
// never be installed.
bool EveryEntryIsChecked(JsonDocument& document);

// What a signed build holds an answer to besides its signature.
struct AnswerRules {
  // The answer's own name, the last segment of its address ("zor", "storvane"): both answers
  // are signed with one key, and only this tells one from the other.
  std::string_view name;
  // The oldest publication time still taken (OldestAcceptable).
  int64_t oldest = 0;
  // Unix seconds to hold "expires" against; nullopt for a copy kept beside the program, which
  // is shown only while the service gives nothing better and lets nothing be fetched.
  std::optional<int64_t> now;
};

// Why an answer is not used; kNone when it is.
enum class AnswerFault { kNone, kNotAnAnswer, kOtherAnswer, kUndated, kOlder, kExpired, kUncheckedEntry };

// Every build needs a "data" array. A signed build also needs "answer" naming `rules.name`, a
// "published" not older than `rules.oldest`, an "expires" later than `rules.now` (when given),
// and both checks in every entry.
AnswerFault FindAnswerFault(JsonDocument& document, bool signedBuild, const AnswerRules& rules);
// The fault in words, for the log.
std::string DescribeAnswerFault(AnswerFault fault);

// The newest publication time accepted for the answer `answerName` ("zor", "storvane");
// nullopt before any, and for a record that cannot be read.
std::optional<int64_t> ReadAcceptedTime(std::string_view runDirectory, std::string_view answerName);
// The oldest publication time an answer may carry: the record's time, but never older than the
// build's own minimum (STORVANE_MIN_PUBLISHED), which is also all that counts when the record
// is missing or cannot be read: a damaged record must not open the door to every older answer.
int64_t OldestAcceptable(std::string_view runDirectory, std::string_view answerName, int64_t buildMinimum);
// Keeps `published` as the newest accepted time unless the record holds a newer one; written
// so that a reader sees the old record or the new one. True when the record holds at least
// `published` afterwards.
bool RecordAcceptedTime(std::string_view runDirectory, std::string_view answerName, int64_t published);

}  // namespace storvane

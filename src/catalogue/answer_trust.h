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

namespace storvane {

inline constexpr char kOfflineFolderName[] = "offline";

// run directory + "/offline"; and that folder, made when missing (true when it exists then).
std::string OfflineFolder(std::string_view runDirectory);
bool EnsureOfflineFolder(std::string_view runDirectory);

// The answer's top-level "published": a JSON number of whole seconds, not negative. nullopt for
// anything else (missing, text, fraction, exponent form).
std::optional<int64_t> PublishedTime(JsonDocument& document);

// True when every entry of "data" names soft_sha256 as exactly 64 hex digits.
bool EveryEntryHasDigest(JsonDocument& document);

// Whether a parsed answer may be used. Every build needs a "data" array. A signed build also
// needs a "published" that is not older than `newestAccepted`, and a digest in every entry.
bool AnswerAcceptable(JsonDocument& document, bool signedBuild, std::optional<int64_t> newestAccepted);

// The newest publication time accepted for the answer `answerName` ("zor", "storvane"); nullopt
// before any.
std::optional<int64_t> ReadAcceptedTime(std::string_view runDirectory, std::string_view answerName);
// Keeps `published` as the newest accepted time unless the record holds a newer one; written
// so that a reader sees the old record or the new one. True when the record holds at least
// `published` afterwards.
bool RecordAcceptedTime(std::string_view runDirectory, std::string_view answerName, int64_t published);

}  // namespace storvane

// The two records up.exe keeps beside the launcher, and how the launcher reads them:
//   up.qn   the offer up.exe last put in place, with the SHA-256 of the launcher it installed;
//   up.fail the last offer up.exe could not put in place (or the user turned down), with when.
// Both are written whole through a temporary file (ReplaceSmallFile), so a reader sees the old
// record or the new one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "util/crypto.h"

namespace storvane {

inline constexpr char kInstalledOfferFileName[] = "up.qn";
inline constexpr char kFailedOfferFileName[] = "up.fail";
// How long a failed offer is not handed over again.
inline constexpr int64_t kFailedOfferHoldSeconds = int64_t{24} * 60 * 60;

// An offer as the service's texts name it; `digest` is the "<sha256>:<size>" argument up.exe
// received (DigestArgument), empty when the service named none.
struct OfferText {
  std::string version;
  std::string url;
  std::string digest;
};

// up.qn: the version, a line break and the installed launcher's SHA-256 in hex.
std::string FormatInstalledOffer(std::string_view version, const Sha256Digest& launcher);

// The version an up.qn record names, when the launcher running now is the file it was written
// for (`launcher`, the digest of its own file); empty otherwise. A record of the earlier one-line
// form names no digest and counts for nothing: the next offer is taken.
std::string InstalledOfferFor(std::string_view record, const std::optional<Sha256Digest>& launcher);

// up.fail: version, address, digest argument and the Unix time, one per line.
std::string FormatFailedOffer(const OfferText& offer, int64_t unixTime);

// Whether an up.fail record holds `offer` back at `now`: the very same offer (version, address
// and digest), failed less than 24 hours ago. A record from the future (the clock was put back)
// holds nothing back, nor does one that cannot be read.
bool FailedOfferHolds(std::string_view record, const OfferText& offer, int64_t now);

// Seconds since 1970 by the system clock.
int64_t UnixTimeNow();

}  // namespace storvane

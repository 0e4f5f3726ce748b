#include "util/update_records.h"

#include <windows.h>

#include <vector>

namespace storvane {
namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t cut = text.find('\n');
    std::string_view line = text.substr(0, cut);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (cut == std::string_view::npos) break;
    text.remove_prefix(cut + 1);
  }
  return lines;
}

std::optional<int64_t> ParseSeconds(std::string_view text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::string FormatInstalledOffer(std::string_view version, const Sha256Digest& launcher) {
  return std::string(version) + "\n" + ToHex(launcher);
}

std::string InstalledOfferFor(std::string_view record, const std::optional<Sha256Digest>& launcher) {
  const std::vector<std::string_view> lines = Lines(record);
  if (lines.size() != 2 || lines[0].empty() || !launcher) return {};
  const std::optional<Sha256Digest> recorded = ParseSha256Hex(lines[1]);
  return recorded && *recorded == *launcher ? std::string(lines[0]) : std::string();
}

std::string FormatFailedOffer(const OfferText& offer, int64_t unixTime) {
  return offer.version + "\n" + offer.url + "\n" + offer.digest + "\n" + std::to_string(unixTime);
}

bool FailedOfferHolds(std::string_view record, const OfferText& offer, int64_t now) {
  const std::vector<std::string_view> lines = Lines(record);
  if (lines.size() != 4) return false;
  const std::optional<int64_t> failedAt = ParseSeconds(lines[3]);
  if (!failedAt || *failedAt > now || now - *failedAt >= kFailedOfferHoldSeconds) return false;
  return lines[0] == offer.version && lines[1] == offer.url && lines[2] == offer.digest;
}

int64_t UnixTimeNow() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const uint64_t ticks = (uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  constexpr uint64_t kTicksTo1970 = 116444736000000000ULL;  // 100 ns ticks from 1601 to 1970
  return ticks < kTicksTo1970 ? 0 : static_cast<int64_t>((ticks - kTicksTo1970) / 10000000ULL);
}

}  // namespace storvane

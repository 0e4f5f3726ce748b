// The last catalogue answer that was accepted, kept beside the program with its signature and
// the icons it named, so that the list can be shown when the service cannot be used. Every file
// is written so that a reader sees the old one or the new one, never half of one:
//   offline/zor.answer       the answer's bytes as fetched, after its signature (signed builds)
//                            and a line giving that signature's length
//   offline/zor, zor.sig     the same in two files, as earlier versions kept it (still read)
//   offline/icon-<digest>    the icon fetched from an address, named by the address's digest
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "net/signed_fetch.h"
#include "util/text.h"

namespace storvane {

// The kept answer; nullopt when there is none. The signature is empty when none was kept.
std::optional<net::FetchedAnswer> ReadOfflineAnswer(std::string_view runDirectory);
// Keeps the answer (and its signature, when it has one). True when all of it was written.
bool SaveOfflineAnswer(std::string_view runDirectory, const net::FetchedAnswer& answer);

// The icon kept for that address; empty when none was.
Bytes ReadOfflineIcon(std::string_view runDirectory, std::string_view iconAddress);
// Keeps a fetched icon; an empty one is not kept, so the last good one stays.
bool SaveOfflineIcon(std::string_view runDirectory, std::string_view iconAddress, const Bytes& icon);

}  // namespace storvane

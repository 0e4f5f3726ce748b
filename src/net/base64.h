// Standard Base64 (RFC 4648 alphabet, '=' padding), used for Basic proxy credentials.
#pragma once

#include <string>

#include "util/text.h"

namespace storvane::net {

// Empty input gives the empty text.
std::string Base64Encode(const Bytes& bytes);

}  // namespace storvane::net

// Cookie texts from a request and its response (any bytes): the merge keeps no removed cookie
// and no repeated item, and the item splitters lose no byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "net/cookies.h"
#include "util/text.h"

using namespace storvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::string cookies = in.ConsumeRandomLengthString(256);
  std::string received = in.ConsumeRemainingBytesAsString();
  const std::string sent = cookies;

  const std::string merged = net::MergeCookies(cookies, received);
  FUZZ_CHECK(cookies == merged);
  FUZZ_CHECK(received == TrimText(received) || received == TrimText(received) + " ");
  // Zero bytes end a text for the length routines; the rest must come out clean.
  if (sent.find('\0') == std::string::npos && received.find('\0') == std::string::npos) {
    const TextArray items = SplitText(merged, "; ");
    for (size_t i = 0; i < items.size(); ++i) {
      FUZZ_CHECK(!std::string_view(items[i]).ends_with("=deleted"));
      FUZZ_CHECK(net::ItemPosition(items, items[i]) == static_cast<int>(i) + 1);  // no repeats
    }
  }

  std::string joined;
  for (const std::string& piece : net::SplitCharacters(received)) {
    FUZZ_CHECK(piece.size() == 1 || piece.size() == 2);
    joined += piece;
  }
  FUZZ_CHECK(joined == received);
  const std::string name = net::CookieName(received);
  FUZZ_CHECK(received.find(name) != std::string::npos);
  return 0;
}

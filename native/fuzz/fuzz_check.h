// A failed invariant in a fuzz target: print what broke and abort, so that libFuzzer saves the
// input as a crash and the run fails.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                             \
  do {                                                                                    \
    if (!(condition)) {                                                                   \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)

#include <cstring>
#include <memory>
#include <string_view>

// The bytes of a text in a heap block of exactly their size: std::string keeps a zero byte
// behind its text, so a read one past the end would go unnoticed there.
class ExactText {
 public:
  explicit ExactText(std::string_view text) : bytes_(new char[text.empty() ? 1 : text.size()]), size_(text.size()) {
    if (size_ != 0) std::memcpy(bytes_.get(), text.data(), size_);
  }
  std::string_view view() const { return {bytes_.get(), size_}; }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
};

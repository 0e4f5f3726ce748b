// The launcher's own answer in a build that carries a key: only a signed, current answer with
// digests names an update; every other answer means no update is known.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/self_update.h"
#include "app/test_processes.h"

namespace storvane {
namespace {

using test_support::HostToWindowsPath;
using test_support::ReadBytes;
using test_support::TempFolder;

class SignedSelfUpdate : public ::testing::Test {
protected:
  void SetUp() override {
    const char* dir = std::getenv("STORVANE_SIGNED_SERVICE");
    ASSERT_NE(dir, nullptr) << "STORVANE_SIGNED_SERVICE is not set up";
    const std::string port = ReadBytes(HostToWindowsPath(dir) + "\\nginx\\port");
    base_ = "http://127.0.0.1:" + port.substr(0, port.find('\n'));
  }

  UpdateAnswer Check(const std::string& variant, const net::AnswerKey& key, int64_t minPublished = 0) {
    return CheckForUpdate(kSelfUpdateKey, base_ + "/" + variant, key, minPublished, root_.path());
  }
  std::string Record() const { return ReadBytes(root_ / "offline\\storvane.published"); }

  const net::AnswerKey key_ = net::AnswerKeyFromText(TEST_PUBLIC_KEY);
  std::string base_;
  TempFolder root_{"selfsig"};
};

TEST_F(SignedSelfUpdate, OnlyASignedCurrentAnswerNamesAnUpdate) {
  const UpdateAnswer good = Check("good", key_);
  EXPECT_EQ(good.version, "2.2");
  EXPECT_EQ(good.downloadUrl, base_ + "/good/download/storvane.exe");
  EXPECT_EQ(good.sha256.size(), 64u);
  EXPECT_EQ(Record(), "2000");

  for (const char* variant : {"nosig", "tampered", "nodigest", "old", "nosize", "expired", "swapped", "bigsig"}) {
    const UpdateAnswer refused = Check(variant, key_);
    EXPECT_EQ(refused.version, "") << variant;
    EXPECT_EQ(refused.downloadUrl, "") << variant;
  }
  EXPECT_EQ(Record(), "2000");

  EXPECT_EQ(Check("newer", key_).version, "2.2");
  EXPECT_EQ(Record(), "3000");
  EXPECT_EQ(Check("good", key_).version, "") << "an older answer after a newer one";
  ASSERT_TRUE(test_support::WriteBytes(root_ / "offline\\storvane.published", "3x00"));
  EXPECT_EQ(Check("good", key_, 2500).version, "") << "older than the build's minimum, the record damaged";

  // A key text that does not parse verifies nothing rather than trusting everything.
  EXPECT_EQ(Check("newer", net::AnswerKeyFromText("bm90IGEga2V5")).version, "");
}

TEST_F(SignedSelfUpdate, WithoutKeyTheAnswerIsReadAsItComes) {
  const UpdateAnswer tampered = Check("tampered", std::nullopt);
  EXPECT_EQ(tampered.version, "2.2");
  EXPECT_EQ(tampered.downloadUrl, "http://127.0.0.1:9/x.exe");
  EXPECT_EQ(Record(), "");
}

}  // namespace
}  // namespace storvane

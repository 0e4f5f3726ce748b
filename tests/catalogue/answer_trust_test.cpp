// The rules a signed build holds answers to, over parsed answers, and the accepted-time record.
#include "catalogue/answer_trust.h"

#include <gtest/gtest.h>

#include "app/test_processes.h"

namespace storvane {
namespace {

constexpr char kDigest[] = "\"3849d489c819b2cd46fd7b706360a259d396e5c831a5853a83f1fbf5a13723e3\"";
constexpr int64_t kNow = 5000;

// Whether the answer `json` would be used, by a signed build (after `oldest`, at `now`) and by
// one without key.
std::pair<bool, bool> Acceptable(const std::string& json, int64_t oldest = 0, std::optional<int64_t> now = kNow) {
  JsonDocument document = CreateJsonDocument();
  EXPECT_TRUE(document.Parse(json, false)) << json;
  const AnswerRules rules{"zor", oldest, now};
  return {FindAnswerFault(document, true, rules) == AnswerFault::kNone,
          FindAnswerFault(document, false, rules) == AnswerFault::kNone};
}

std::string Answer(const std::string& published, const std::string& digest = kDigest, const std::string& size = "7",
                   const std::string& tail = ",\"answer\":\"zor\",\"expires\":9000") {
  return "{\"data\":[{\"soft_sha256\":" + std::string(kDigest) + ",\"soft_size\":0},{\"soft_sha256\":" + digest +
         ",\"soft_size\":" + size + "}],\"published\":" + published + tail + "}";
}

TEST(AnswerTrust, SignedBuildsNeedACurrentWholePublicationTimeAndEveryDigest) {
  EXPECT_EQ(Acceptable(Answer("2000")), std::make_pair(true, true));
  EXPECT_EQ(Acceptable(Answer("2000"), 2000), std::make_pair(true, true));
  EXPECT_EQ(Acceptable(Answer("1999"), 2000), std::make_pair(false, true));
  for (const char* published : {"\"2000\"", "2000.5", "-1", "1e21", "null"}) {
    EXPECT_EQ(Acceptable(Answer(published)), std::make_pair(false, true)) << published;
  }
  EXPECT_EQ(Acceptable("{\"data\":[]}"), std::make_pair(false, true));
  const std::string upper = "\"3849D489C819B2CD46FD7B706360A259D396E5C831A5853A83F1FBF5A13723E3\"";
  EXPECT_EQ(Acceptable(Answer("2000", upper)), std::make_pair(true, true));
  for (const std::string& digest :
       {std::string("\"3849d489\""), std::string("null"), std::string("7"), std::string(kDigest).insert(1, " ")}) {
    EXPECT_EQ(Acceptable(Answer("2000", digest)), std::make_pair(false, true)) << digest;
  }
  // Not a catalogue at all: no build uses it.
  EXPECT_EQ(Acceptable("{\"data\":{\"0\":{}},\"published\":2000}"), std::make_pair(false, false));
  EXPECT_EQ(Acceptable("[1,2]"), std::make_pair(false, false));
}

TEST(AnswerTrust, SignedBuildsNeedTheAnswersOwnNameALaterExpiryAndEverySize) {
  for (const char* tail :
       {",\"expires\":9000", ",\"answer\":\"storvane\",\"expires\":9000", ",\"answer\":[\"zor\"],\"expires\":9000",
        ",\"answer\":\"zor\"", ",\"answer\":\"zor\",\"expires\":\"9000\"", ",\"answer\":\"zor\",\"expires\":5000"}) {
    EXPECT_EQ(Acceptable(Answer("2000", kDigest, "7", tail)), std::make_pair(false, true)) << tail;
  }
  // A kept copy is not held to its expiry.
  EXPECT_EQ(Acceptable(Answer("2000"), 0, 9000), std::make_pair(false, true));
  EXPECT_EQ(Acceptable(Answer("2000"), 0, std::nullopt), std::make_pair(true, true));
  for (const char* size : {"null", "12.5", "-1", "\"\"", "\"7 \""}) {
    EXPECT_EQ(Acceptable(Answer("2000", kDigest, size)), std::make_pair(false, true)) << size;
  }
  EXPECT_EQ(Acceptable(Answer("2000", kDigest, "\"7\"")), std::make_pair(true, true));
}

TEST(AnswerTrust, TheAcceptedTimeOnlyMovesForwardAndADamagedRecordFallsBackToTheBuildsMinimum) {
  test_support::TempFolder root("trust");
  EXPECT_EQ(ReadAcceptedTime(root.path(), "zor"), std::nullopt);
  EXPECT_EQ(OldestAcceptable(root.path(), "zor", 2500), 2500);
  EXPECT_TRUE(RecordAcceptedTime(root.path(), "zor", 3000));
  EXPECT_TRUE(RecordAcceptedTime(root.path(), "zor", 2000));
  EXPECT_EQ(ReadAcceptedTime(root.path(), "zor"), 3000);
  EXPECT_EQ(OldestAcceptable(root.path(), "zor", 2500), 3000);
  EXPECT_EQ(OldestAcceptable(root.path(), "zor", 3500), 3500);
  EXPECT_EQ(ReadAcceptedTime(root.path(), "storvane"), std::nullopt);
  for (const char* damaged : {"30x0", "", "-1"}) {
    ASSERT_TRUE(test_support::WriteBytes(root / "offline\\zor.published", damaged));
    EXPECT_EQ(ReadAcceptedTime(root.path(), "zor"), std::nullopt);
    EXPECT_EQ(OldestAcceptable(root.path(), "zor", 2500), 2500) << damaged;
  }
  EXPECT_TRUE(RecordAcceptedTime(root.path(), "zor", 2600));
  EXPECT_EQ(ReadAcceptedTime(root.path(), "zor"), 2600);
}

}  // namespace
}  // namespace storvane

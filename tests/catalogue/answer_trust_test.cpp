// The rules a signed build holds answers to, over parsed answers, and the accepted-time record.
#include "catalogue/answer_trust.h"

#include <gtest/gtest.h>

#include "app/test_processes.h"

namespace storvane {
namespace {

constexpr char kDigest[] = "\"3849d489c819b2cd46fd7b706360a259d396e5c831a5853a83f1fbf5a13723e3\"";

// Whether the answer `json` would be used, by a signed build (after `newest`) and by one without key.
std::pair<bool, bool> Acceptable(const std::string& json, std::optional<int64_t> newest = std::nullopt) {
  JsonDocument document = CreateJsonDocument();
  EXPECT_TRUE(document.Parse(json, false)) << json;
  return {AnswerAcceptable(document, true, newest), AnswerAcceptable(document, false, newest)};
}

std::string Answer(const std::string& published, const std::string& digest = kDigest) {
  return "{\"data\":[{\"soft_sha256\":" + std::string(kDigest) + "},{\"soft_sha256\":" + digest +
         "}],\"published\":" + published + "}";
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

TEST(AnswerTrust, TheAcceptedTimeOnlyMovesForward) {
  test_support::TempFolder root("trust");
  EXPECT_EQ(ReadAcceptedTime(root.path(), "zor"), std::nullopt);
  EXPECT_TRUE(RecordAcceptedTime(root.path(), "zor", 3000));
  EXPECT_TRUE(RecordAcceptedTime(root.path(), "zor", 2000));
  EXPECT_EQ(ReadAcceptedTime(root.path(), "zor"), 3000);
  EXPECT_EQ(ReadAcceptedTime(root.path(), "storvane"), std::nullopt);
  ASSERT_TRUE(test_support::WriteBytes(root / "offline\\zor.published", "30x0"));
  EXPECT_EQ(ReadAcceptedTime(root.path(), "zor"), std::nullopt);
}

}  // namespace
}  // namespace storvane

// What the launcher makes of the records up.exe leaves beside it: an installed offer counts only
// for the file it installed, a failed one holds back that very offer for a day.
#include "util/update_records.h"

#include <gtest/gtest.h>

namespace storvane {
namespace {

TEST(InstalledOfferRecord, CountsOnlyForTheLauncherItInstalled) {
  const Sha256Digest installed{1, 2, 3}, other{9};
  const std::string record = FormatInstalledOffer("2.2", installed);
  EXPECT_EQ(InstalledOfferFor(record, installed), "2.2");
  EXPECT_EQ(InstalledOfferFor(record, other), "");
  EXPECT_EQ(InstalledOfferFor(record, std::nullopt), "");
  EXPECT_EQ(InstalledOfferFor("2.2", installed), "");  // the earlier one-line form
}

TEST(FailedOfferRecord, HoldsBackThatVeryOfferForADay) {
  const OfferText offer{"2.2", "http://h/storvane.exe", std::string(64, 'a') + ":1000"};
  const int64_t failedAt = 1700000000;
  const std::string record = FormatFailedOffer(offer, failedAt);
  EXPECT_TRUE(FailedOfferHolds(record, offer, failedAt));
  EXPECT_TRUE(FailedOfferHolds(record, offer, failedAt + kFailedOfferHoldSeconds - 1));
  EXPECT_FALSE(FailedOfferHolds(record, offer, failedAt + kFailedOfferHoldSeconds));
  EXPECT_FALSE(FailedOfferHolds(record, offer, failedAt - 60));  // the clock was put back
  for (OfferText different :
       {OfferText{"2.3", offer.url, offer.digest}, OfferText{offer.version, "http://h/b.exe", offer.digest},
        OfferText{offer.version, offer.url, ""}}) {
    EXPECT_FALSE(FailedOfferHolds(record, different, failedAt)) << different.version << different.url;
  }
  EXPECT_FALSE(FailedOfferHolds("2.2", offer, failedAt));
  EXPECT_GT(UnixTimeNow(), failedAt);
}

}  // namespace
}  // namespace storvane

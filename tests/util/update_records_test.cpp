// A failed offer is held back for a day by the system clock, not longer, and not from the future.
#include "util/update_records.h"

#include <gtest/gtest.h>

namespace storvane {
namespace {

TEST(FailedOfferRecord, HoldsBackThatVeryOfferForADay) {
  const OfferText offer{"2.2", "http://h/storvane.exe", std::string(64, 'a') + ":1000"};
  const int64_t failedAt = UnixTimeNow();
  const std::string record = FormatFailedOffer(offer, failedAt);
  EXPECT_TRUE(FailedOfferHolds(record, offer, failedAt + kFailedOfferHoldSeconds - 1));
  EXPECT_FALSE(FailedOfferHolds(record, offer, failedAt + kFailedOfferHoldSeconds));
  EXPECT_FALSE(FailedOfferHolds(record, offer, failedAt - 60));  // the clock was put back
  EXPECT_FALSE(FailedOfferHolds(record, {offer.version, "http://h/b.exe", offer.digest}, failedAt));
  EXPECT_GT(failedAt, 1700000000);
}

}  // namespace
}  // namespace storvane

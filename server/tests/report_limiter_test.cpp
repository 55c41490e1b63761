#include "report_limiter.h"

#include <gtest/gtest.h>

using namespace vantor::server;
using namespace std::chrono_literals;

TEST(ReportLimiter, EachAddressHasABurstThenOnePerInterval) {
  ReportLimiter limiter(2, 10s);
  const auto t0 = ReportLimiter::Clock::time_point{} + 1h;
  EXPECT_TRUE(limiter.allow("a", t0));
  EXPECT_TRUE(limiter.allow("a", t0));
  EXPECT_FALSE(limiter.allow("a", t0 + 5s));
  EXPECT_TRUE(limiter.allow("b", t0 + 5s));  // another address is not held up
  EXPECT_TRUE(limiter.allow("a", t0 + 11s));
  EXPECT_FALSE(limiter.allow("a", t0 + 12s));
  // A long wait gives back the burst, no more.
  EXPECT_TRUE(limiter.allow("a", t0 + 1h));
  EXPECT_TRUE(limiter.allow("a", t0 + 1h));
  EXPECT_FALSE(limiter.allow("a", t0 + 1h));
}

TEST(ReportLimiter, RemembersABoundedNumberOfAddresses) {
  ReportLimiter limiter(1, 10s, 2);
  const auto t0 = ReportLimiter::Clock::time_point{} + 1h;
  EXPECT_TRUE(limiter.allow("a", t0));
  EXPECT_TRUE(limiter.allow("b", t0));
  EXPECT_FALSE(limiter.allow("c", t0 + 1s));  // both still limited: nobody new
  EXPECT_TRUE(limiter.allow("c", t0 + 20s));  // a and b have refilled and are forgotten
  EXPECT_TRUE(limiter.allow("a", t0 + 20s));
}

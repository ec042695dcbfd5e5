// The path sailed as the live server keeps it: a point only when the player moved, the
// oldest dropped past the bound, and the JSON pages read.
#include "live/trail.h"

#include <gtest/gtest.h>

#include <string>

namespace tlmaper {
namespace {

TEST(Trail, KeepsAPointOnlyWhenThePlayerMoved) {
  Trail trail;
  trail.runMs = 1000;
  EXPECT_EQ(TrailJson(trail), R"({"run":1000,"added":0,"points":[]})");
  EXPECT_TRUE(AddToTrail(trail, 5, 7, 2000));
  EXPECT_FALSE(AddToTrail(trail, 5, 7, 3000));
  EXPECT_TRUE(AddToTrail(trail, -2147483647 - 1, 2147483647, 4000));
  EXPECT_TRUE(AddToTrail(trail, 5, 7, 5000));  // back where it was: a new point
  EXPECT_EQ(TrailJson(trail),
            R"({"run":1000,"added":3,"points":[[5,7,2000],[-2147483648,2147483647,4000],)"
            R"([5,7,5000]]})");
}

TEST(Trail, HoldsTheLatestPointsAtMost) {
  Trail trail;
  const int32_t extra = 25;
  for (int32_t k = 0; k < static_cast<int32_t>(MaxTrailPoints) + extra; ++k) {
    AddToTrail(trail, k, -k, 1765432100000 + k);
  }
  ASSERT_EQ(trail.points.size(), MaxTrailPoints);
  EXPECT_EQ(trail.added, MaxTrailPoints + extra);
  const std::string json = TrailJson(trail);
  EXPECT_TRUE(json.starts_with(R"({"run":0,"added":10025,"points":[[25,-25,1765432100025],)"));
  EXPECT_TRUE(json.ends_with(",[10024,-10024,1765432110024]]}"));
  size_t points = 0;
  for (size_t at = json.find("[", 1); at != std::string::npos; at = json.find("[", at + 1)) {
    ++points;
  }
  EXPECT_EQ(points, MaxTrailPoints + 1);  // the list's own bracket, then one a point
}

}  // namespace
}  // namespace tlmaper

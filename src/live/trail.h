// The path the player sailed during a live run: the player's position in each map the
// run makes, a new point only when the player moved, at most the last MaxTrailPoints.
// Pages read it whole as JSON, which the server makes once for each new point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace tlmaper {

constexpr size_t MaxTrailPoints = 10000;

struct TrailPoint {
  int32_t x = 0;
  int32_t y = 0;
  int64_t timeMs = 0;  // when the map holding it was made, in ms since 1970
};

struct Trail {
  int64_t runMs = 0;  // when the run started: a page tells one run's path from another's
  std::deque<TrailPoint> points;  // oldest first
  uint64_t added = 0;             // points added since the run started, dropped ones too
};

// Adds the player's position in a map made at `timeMs`, unless the player is where the
// last point is; the oldest point goes past MaxTrailPoints. True when a point was added.
bool AddToTrail(Trail& trail, int32_t x, int32_t y, int64_t timeMs);

// {"run":R,"added":N,"points":[[x,y,t],...]}, the points oldest first.
std::string TrailJson(const Trail& trail);

}  // namespace tlmaper

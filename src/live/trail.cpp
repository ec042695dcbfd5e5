#include "live/trail.h"

namespace tlmaper {

bool AddToTrail(Trail& trail, int32_t x, int32_t y, int64_t timeMs) {
  if (!trail.points.empty() && trail.points.back().x == x && trail.points.back().y == y) {
    return false;
  }
  trail.points.push_back({x, y, timeMs});
  if (trail.points.size() > MaxTrailPoints) trail.points.pop_front();
  ++trail.added;
  return true;
}

std::string TrailJson(const Trail& trail) {
  std::string json = "{\"run\":" + std::to_string(trail.runMs) +
                     ",\"added\":" + std::to_string(trail.added) + ",\"points\":[";
  // About 26 characters a point; reserved once, for a path of 10,000 points.
  json.reserve(json.size() + trail.points.size() * 26 + 2);
  bool first = true;
  for (const TrailPoint& point : trail.points) {
    if (!first) json += ',';
    first = false;
    json += '[';
    json += std::to_string(point.x);
    json += ',';
    json += std::to_string(point.y);
    json += ',';
    json += std::to_string(point.timeMs);
    json += ']';
  }
  json += "]}";
  return json;
}

}  // namespace tlmaper

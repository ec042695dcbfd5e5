// The live map's web server: the page, its bitmap, a stream of update events, the path
// the player sailed and the players' notes, on the loopback address only. The map is held in memory
// and replaced whole with each new map; the notes are read from and written to the one notes file
// beside the save. No part of a request's path ever reaches the file system.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tlmaper {

// One map as served: the page and the bitmap, and the bitmap's file name, under which
// it is served (the page loads it from its own folder); the world's name, which the
// notes file takes; the player's position, which the path sailed takes.
struct LiveMap {
  std::shared_ptr<const std::string> page;
  std::shared_ptr<const std::string> image;
  std::string imageName;
  std::string worldName;
  int32_t playerX = 0;
  int32_t playerY = 0;
};

struct LiveServer;
struct LiveServerDeleter {
  void operator()(LiveServer* server) const;  // stops the server first
};
using LiveServerHandle = std::unique_ptr<LiveServer, LiveServerDeleter>;

// Starts serving `map` on 127.0.0.1, on `firstPort` or, when that is taken, the next
// free port above it, with the notes kept in `notesPath` (empty: none can be kept). Null
// when no port could be had.
LiveServerHandle StartLiveServer(int firstPort, LiveMap map, std::string notesPath);

int LiveServerPort(const LiveServer& server);

// A new map: served from now on, and announced to every open page. Its player's position
// joins the path sailed when the player moved.
void PublishMap(LiveServer& server, LiveMap map);

// What a map of the latest save failed at.
enum class MapFailure {
  Read,   // the save could not be read (half-written, broken, not a save)
  Draw,   // its map is too large to draw
  Write,  // the bitmap or the page could not be written
};

// The latest save could not be mapped: the last map stays, and the pages say what failed.
void PublishFailedMap(LiveServer& server, MapFailure failure);

// Ends every event stream, stops listening and waits a moment for the connections to
// close. False when one is still open (a client stalled in the middle of a response):
// the server may then only be left to the end of the process.
bool StopLiveServer(LiveServer& server);

}  // namespace tlmaper

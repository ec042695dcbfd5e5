#include "live/server.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "live/connection_pool.h"
#include "live/guarded_server.h"
#include "live/notes_endpoint.h"
#include "live/trail.h"

namespace tlmaper {
namespace {

// Bounds on what clients may hold. Each open page keeps one event stream and, while it
// fetches a new map, a connection or two more.
constexpr int MaxConnections = 100;
constexpr int MaxEventClients = 64;
constexpr size_t SpareThreads = 16;  // to refuse connections past the bound
constexpr size_t MaxHeaders = 64;
// A request's line and headers together; a browser's are a few hundred bytes.
constexpr size_t MaxHeadBytes = 64 * 1024;
// Time for a whole request head, once its first byte came.
constexpr auto HeadDeadline = std::chrono::seconds(3);
// Silence after which a client is dropped: a kept-alive connection with no next
// request, or a response that is not read.
constexpr time_t RequestTimeoutSeconds = 1;
constexpr time_t ResponseTimeoutSeconds = 5;
// How long a page's new event stream, when all are taken, waits for the streams of
// pages that have gone to end.
constexpr auto StreamCheckWait = std::chrono::milliseconds(500);
// The page and the bitmap are written in pieces of this size; between two, a response
// of a map two versions old is ended (see ServeBytes).
constexpr size_t WritePiece = 64 * 1024;
// How long a stop waits for the connections to close; a client stalled in the middle
// of a response is not waited for.
constexpr auto StopWait = std::chrono::milliseconds(700);
// A comment on every idle event stream, so that a page that went away is noticed.
constexpr auto HeartbeatInterval = std::chrono::seconds(20);
constexpr int PortsToTry = 100;

constexpr const char* NotesPath = "/notes";
constexpr const char* TrailPath = "/trail";

// Fits the page: its scripts and styles are inline, its images are data URIs and the
// bitmap beside it, and it connects only back to this server.
constexpr const char* ContentSecurityPolicy =
    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
    "img-src 'self' data:; connect-src 'self'; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

ClientBounds Bounds() {
  ClientBounds bounds;
  bounds.maxClients = MaxConnections;
  bounds.maxHeadBytes = MaxHeadBytes;
  bounds.headDeadline = HeadDeadline;
  bounds.keepAlive = std::chrono::seconds(RequestTimeoutSeconds);
  bounds.writeTimeout = std::chrono::seconds(ResponseTimeoutSeconds);
  return bounds;
}

// Sent with every answer, refusals included.
const httplib::Headers& CommonHeaders() {
  static const httplib::Headers headers = {
      {"X-Content-Type-Options", "nosniff"},
      {"Cache-Control", "no-store"},
      {"Content-Security-Policy", ContentSecurityPolicy},
      {"Referrer-Policy", "no-referrer"},
      // No other site may embed what is served here, the bitmap included.
      {"Cross-Origin-Resource-Policy", "same-origin"},
      {"Accept-Ranges", "none"},
  };
  return headers;
}

}  // namespace

struct LiveServer {
  GuardedServer http{Bounds(), CommonHeaders()};
  std::thread listener;
  std::atomic<bool> listenerDone{false};
  std::mutex doneMutex;
  std::condition_variable done;
  int port = 0;
  std::atomic<int> openConnections{0};

  // The map served, its version (counted from 1) and whether the latest save could not
  // be read; changes wake the event streams.
  std::mutex mutex;
  std::condition_variable changed;
  LiveMap map;
  uint64_t version = 1;
  int64_t updatedMs = 0;
  const char* failure = "";  // what the latest map failed at ("read", "draw", "write")
  bool stopping = false;
  int eventClients = 0;
  // Raised to have every waiting event stream look whether its page is still there.
  uint64_t streamCheck = 0;
  // The player's position in each map served since the start, when it moved, and its
  // JSON as served.
  Trail trail;
  std::shared_ptr<const std::string> trailJson;

  NotesPlace notes;
};

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Adds the player's position in the map served to the path, when the player moved; under
// the lock.
void FollowPlayer(LiveServer& server) {
  if (AddToTrail(server.trail, server.map.playerX, server.map.playerY, server.updatedMs) ||
      !server.trailJson) {
    server.trailJson = std::make_shared<const std::string>(TrailJson(server.trail));
  }
}

std::string StateEvent(const LiveServer& server) {
  return "event: map\ndata: {\"version\":" + std::to_string(server.version) +
         ",\"updated\":" + std::to_string(server.updatedMs) +
         ",\"unreadable\":" + (server.failure == std::string_view("read") ? "true" : "false") +
         ",\"failed\":\"" + server.failure + "\",\"run\":" + std::to_string(server.trail.runMs) +
         ",\"trail\":" + std::to_string(server.trail.added) + "}\n\n";
}

// Serves `bytes`, of the map `version`, without copying them; the snapshot lives as
// long as the response. So that slow readers hold at most the current map and the one
// before it, a response of an older map is ended between two pieces (its page fetches
// the latest map anyway).
void ServeBytes(LiveServer& server, httplib::Response& response,
                std::shared_ptr<const std::string> bytes, uint64_t version, const char* type) {
  const size_t size = bytes->size();
  response.set_content_provider(
      size, type, [&server, bytes, version](size_t offset, size_t length, httplib::DataSink& sink) {
        {
          std::lock_guard lock(server.mutex);
          if (server.version > version + 1) return false;
        }
        return sink.write(bytes->data() + offset, std::min(length, WritePiece));
      });
}

// The event stream of one page: the current state at once, then each change, until
// the page goes or the server stops.
void ServeEvents(LiveServer& server, httplib::Response& response) {
  {
    std::unique_lock lock(server.mutex);
    if (server.eventClients >= MaxEventClients && !server.stopping) {
      // All taken: the streams of pages that have gone end now and make room.
      ++server.streamCheck;
      server.changed.notify_all();
      server.changed.wait_for(lock, StreamCheckWait, [&] {
        return server.eventClients < MaxEventClients || server.stopping;
      });
    }
    if (server.eventClients >= MaxEventClients || server.stopping) {
      response.status = 503;
      return;
    }
    ++server.eventClients;
  }
  auto sent = std::make_shared<uint64_t>(0);  // the last version and state sent
  auto sentFailure = std::make_shared<std::string>();
  response.set_chunked_content_provider(
      "text/event-stream",
      [&server, sent, sentFailure](size_t, httplib::DataSink& sink) {
        std::unique_lock lock(server.mutex);
        const bool first = *sent == 0;
        const auto hasNews = [&] {
          return server.stopping || server.version != *sent || *sentFailure != server.failure;
        };
        // Waits for news or the heartbeat; asked to, looks whether the page is still
        // there, so that a page gone frees its stream when another page needs one.
        const auto heartbeat = std::chrono::steady_clock::now() + HeartbeatInterval;
        bool news = hasNews();
        while (!first && !news) {
          const uint64_t check = server.streamCheck;
          news = server.changed.wait_until(
              lock, heartbeat, [&] { return hasNews() || server.streamCheck != check; });
          news = hasNews();
          if (server.streamCheck != check && !sink.is_writable()) return false;
          if (std::chrono::steady_clock::now() >= heartbeat) break;
        }
        if (server.stopping) {
          sink.done();
          return true;
        }
        std::string text = first ? "retry: 2000\n\n" : "";
        if (news || first) {
          text += StateEvent(server);
          *sent = server.version;
          *sentFailure = server.failure;
        } else {
          text += ":\n\n";
        }
        lock.unlock();
        return sink.write(text.data(), text.size());
      },
      [&server](bool) {
        {
          std::lock_guard lock(server.mutex);
          --server.eventClients;
        }
        server.changed.notify_all();  // a page may wait for this stream
      });
}

std::string WorldName(LiveServer& server) {
  std::lock_guard lock(server.mutex);
  return server.map.worldName;
}

void ServeGet(LiveServer& server, const httplib::Request& request, httplib::Response& response) {
  if (request.path == "/events") return ServeEvents(server, response);
  if (request.path == NotesPath) return ServeNotes(server.notes, WorldName(server), response);
  std::unique_lock lock(server.mutex);
  const LiveMap map = server.map;
  const uint64_t version = server.version;
  const std::shared_ptr<const std::string> trail = server.trailJson;
  lock.unlock();
  if (request.path == TrailPath) {
    ServeBytes(server, response, trail, version, "application/json");
  } else if (request.path == "/") {
    // The page learns which map it shows from this header, before its event stream
    // says which map is the latest.
    response.set_header("Server-Timing", "map;desc=\"" + std::to_string(version) + "\"");
    ServeBytes(server, response, map.page, version, "text/html; charset=utf-8");
  } else if (request.path == "/" + map.imageName) {
    ServeBytes(server, response, map.image, version, "image/bmp");
  } else {
    response.status = 404;
  }
}

bool IsOurHost(std::string_view host, int port) {
  const std::string portText = std::to_string(port);
  if (host.size() <= portText.size() + 1 || !host.ends_with(portText)) return false;
  host.remove_suffix(portText.size());
  if (!host.ends_with(':')) return false;
  host.remove_suffix(1);
  std::string name(host);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name == "127.0.0.1" || name == "localhost";
}

bool IsOurOrigin(std::string_view origin, int port) {
  constexpr std::string_view Scheme = "http://";
  return origin.starts_with(Scheme) && IsOurHost(origin.substr(Scheme.size()), port);
}

// A request that a page of another site made: it names that site as its Origin, or the
// browser says it is not the page's own (Sec-Fetch-Site). The page itself may still be
// opened from a link on another site.
bool IsForeign(const httplib::Request& request, int port) {
  if (request.has_header("Origin") && !IsOurOrigin(request.get_header_value("Origin"), port)) {
    return true;
  }
  const std::string site = request.get_header_value("Sec-Fetch-Site");
  if (site.empty() || site == "same-origin" || site == "none") return false;
  return !(request.path == "/" && request.get_header_value("Sec-Fetch-Mode") == "navigate" &&
           request.get_header_value("Sec-Fetch-Dest") == "document");
}

// The methods a path takes: GET and HEAD everywhere, POST for the notes as well.
const char* AllowedMethods(const httplib::Request& request) {
  return request.path == NotesPath ? "GET, HEAD, POST" : "GET, HEAD";
}

bool IsAllowed(const httplib::Request& request) {
  return request.method == "GET" || request.method == "HEAD" ||
         (request.method == "POST" && request.path == NotesPath);
}

// Refusals that come before a request is served: too many headers, a Host named twice
// (which of the two is meant is anyone's guess), a foreign Host (a page on another site
// that had its name point here), a request made by a page on another site, a method the
// path does not take, a GET or HEAD that says a body follows (the body is never read, so
// it would otherwise be taken for a next request), and a POST of notes whose body is not
// to be read.
httplib::Server::HandlerResponse Screen(LiveServer& server, const httplib::Request& request,
                                        httplib::Response& response) {
  if (request.headers.size() > MaxHeaders) {
    response.status = 431;
  } else if (request.get_header_value_count("Host") > 1) {
    response.status = 400;
  } else if (!IsOurHost(request.get_header_value("Host"), server.port) ||
             IsForeign(request, server.port)) {
    response.status = 403;
  } else if (!IsAllowed(request)) {
    response.status = 405;
    response.set_header("Allow", AllowedMethods(request));
  } else if (request.method == "POST") {
    if (ScreenNotesPost(request, response) == 0) return httplib::Server::HandlerResponse::Unhandled;
  } else if (CarriesBody(request)) {
    response.status = 400;
  } else {
    return httplib::Server::HandlerResponse::Unhandled;
  }
  return httplib::Server::HandlerResponse::Handled;
}

// Binds to the loopback address alone, and never shares the port with another
// program (the library would otherwise let a second server bind it too). A tool started
// again at once still gets its port back while the connections it served linger there:
// on Linux by SO_REUSEADDR, which refuses a second listener all the same; on Windows by
// binding with no option, which refuses a second bind too (an exclusive bind would have
// to wait until the lingering connections are gone).
void SetSocketOptions([[maybe_unused]] socket_t socket) {
#ifndef _WIN32
  int yes = 1;
  setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

void Configure(LiveServer& server) {
  httplib::Server& http = server.http;
  http.new_task_queue = [&server] {
    return new ConnectionPool(MaxConnections + SpareThreads, server.openConnections);
  };
  http.set_socket_options(SetSocketOptions);
  http.set_read_timeout(RequestTimeoutSeconds, 0);
  http.set_write_timeout(ResponseTimeoutSeconds, 0);
  http.set_keep_alive_timeout(RequestTimeoutSeconds);
  // Only the notes a page sends are read; every other body is refused before it is.
  http.set_payload_max_length(MaxNotesBody);
#ifdef _WIN32
  // The library polls its listening socket on Windows; a slow poll costs nothing.
  http.set_idle_interval(0, 500000);
#endif
  http.set_default_headers(CommonHeaders());
  http.set_pre_routing_handler(
      [&server](const httplib::Request& request, httplib::Response& response) {
        return Screen(server, request, response);
      });
  http.Get(".*", [&server](const httplib::Request& request, httplib::Response& response) {
    ServeGet(server, request, response);
  });
  http.Post(NotesPath, [&server](const httplib::Request&, httplib::Response& response,
                                 const httplib::ContentReader& reader) {
    ReceiveNotes(server.notes, WorldName(server), reader, response);
  });
}

}  // namespace

LiveServerHandle StartLiveServer(int firstPort, LiveMap map, std::string notesPath) {
  LiveServerHandle server(new LiveServer);
  server->map = std::move(map);
  server->notes.path = std::move(notesPath);
  server->updatedMs = NowMs();
  server->trail.runMs = server->updatedMs;
  FollowPlayer(*server);
  Configure(*server);
  for (int port = firstPort; port < firstPort + PortsToTry && port <= 65535; ++port) {
    if (server->http.bind_to_port("127.0.0.1", port)) {
      server->http.WidenBacklog();
      server->port = port;
      break;
    }
  }
  if (server->port == 0) return nullptr;
  LiveServer* raw = server.get();
  server->listener = std::thread([raw] {
    raw->http.listen_after_bind();
    std::lock_guard lock(raw->doneMutex);
    raw->listenerDone = true;
    raw->done.notify_all();
  });
  return server;
}

int LiveServerPort(const LiveServer& server) {
  return server.port;
}

void PublishMap(LiveServer& server, LiveMap map) {
  {
    std::lock_guard lock(server.mutex);
    server.map = std::move(map);
    ++server.version;
    server.updatedMs = NowMs();
    server.failure = "";
    FollowPlayer(server);
  }
  server.changed.notify_all();
}

void PublishFailedMap(LiveServer& server, MapFailure failure) {
  {
    std::lock_guard lock(server.mutex);
    server.failure = failure == MapFailure::Read   ? "read"
                     : failure == MapFailure::Draw ? "draw"
                                                   : "write";
  }
  server.changed.notify_all();
}

bool StopLiveServer(LiveServer& server) {
  {
    std::lock_guard lock(server.mutex);
    server.stopping = true;
  }
  server.changed.notify_all();
  if (!server.listener.joinable()) return true;
  // The listener may not have started listening yet; stop() only acts once it has.
  while (!server.http.is_running() && !server.listenerDone) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  server.http.stop();
  server.http.CutAllClients();
  std::unique_lock lock(server.doneMutex);
  if (!server.done.wait_for(lock, StopWait, [&] { return server.listenerDone.load(); })) {
    return false;
  }
  lock.unlock();
  server.listener.join();
  return true;
}

void LiveServerDeleter::operator()(LiveServer* server) const {
  if (StopLiveServer(*server)) {
    delete server;
  } else {
    // A connection still holds the server: it stays, for the process to end with it.
    server->listener.detach();
  }
}

}  // namespace tlmaper

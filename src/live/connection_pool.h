// The server's worker threads: one per open connection, started as needed up to a
// fixed number, with a count of the connections open or waiting, so that a request
// past the bound can be refused by a spare thread instead of waiting unseen.
#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tlmaper {

class ConnectionPool final : public httplib::TaskQueue {
 public:
  ConnectionPool(size_t maxThreads, std::atomic<int>& openConnections)
      : maxThreads_(maxThreads), open_(openConnections) {}
  ~ConnectionPool() override = default;

  void enqueue(std::function<void()> connection) override;
  void shutdown() override;

 private:
  void Work();

  const size_t maxThreads_;
  std::atomic<int>& open_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> waiting_;
  std::vector<std::thread> threads_;
  size_t idle_ = 0;    // threads waiting for a connection, not yet claimed
  size_t claims_ = 0;  // connections claimed for a thread that has not taken one yet
  bool stopping_ = false;
};

}  // namespace tlmaper

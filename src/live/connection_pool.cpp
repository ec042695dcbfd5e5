#include "live/connection_pool.h"

#include <utility>

namespace tlmaper {

void ConnectionPool::enqueue(std::function<void()> connection) {
  ++open_;
  std::lock_guard lock(mutex_);
  waiting_.push_back(std::move(connection));
  if (idle_ == 0 && threads_.size() < maxThreads_) {
    threads_.emplace_back([this] { Work(); });
  } else {
    wake_.notify_one();
  }
}

void ConnectionPool::shutdown() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

// Serves connections until the pool stops; the connections still waiting then are
// served first (the server is closed by then, so each is only closed).
void ConnectionPool::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    ++idle_;
    wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    --idle_;
    if (waiting_.empty()) return;
    std::function<void()> connection = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    connection();
    --open_;
    lock.lock();
  }
}

}  // namespace tlmaper

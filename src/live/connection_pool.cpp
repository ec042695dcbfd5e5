#include "live/connection_pool.h"

#include <utility>

namespace tlmaper {

void ConnectionPool::enqueue(std::function<void()> connection) {
  ++open_;
  std::lock_guard lock(mutex_);
  waiting_.push_back(std::move(connection));
  // Each waiting connection is claimed for one thread: an idle one, or a new one. Past
  // the bound it waits for the next thread that is done.
  if (idle_ > 0) {
    --idle_;
    ++claims_;
    wake_.notify_one();
  } else if (threads_.size() < maxThreads_) {
    ++claims_;
    threads_.emplace_back([this] { Work(); });
  }
}

void ConnectionPool::shutdown() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  // The server is closed by now: what still waits is only closed.
  for (std::function<void()>& connection : waiting_) {
    connection();
    --open_;
  }
  waiting_.clear();
}

// Serves the connections claimed for it, and those left unclaimed, until the pool
// stops.
void ConnectionPool::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || claims_ > 0; });
    if (claims_ == 0) return;
    --claims_;
    std::function<void()> connection = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    connection();
    --open_;
    lock.lock();
    if (waiting_.size() > claims_) {
      ++claims_;  // one waited past the bound: this thread takes it
    } else {
      ++idle_;
    }
  }
}

}  // namespace tlmaper

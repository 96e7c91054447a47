// A thread of its own for the member store's work, so that a slow query or a commit
// waiting for the disk never holds the I/O thread that serves every other client.
// Jobs run one at a time, in the order posted.
#pragma once

#include <optional>
#include <thread>
#include <utility>

#include <asio.hpp>

namespace kavreld {

class StoreWorker {
 public:
  StoreWorker() : guard_(asio::make_work_guard(context_)), thread_([this] { context_.run(); }) {}
  ~StoreWorker() { Stop(); }
  StoreWorker(const StoreWorker&) = delete;
  StoreWorker& operator=(const StoreWorker&) = delete;

  template <typename Job>
  void Post(Job job) {
    asio::post(context_, std::move(job));
  }

  // Lets the job running now finish, drops those waiting and joins the thread.
  void Stop() {
    if (!thread_.joinable()) return;
    guard_.reset();
    context_.stop();
    thread_.join();
  }

 private:
  asio::io_context context_;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> guard_;
  std::thread thread_;
};

}  // namespace kavreld

#include "base/WorkerPool.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tandemix {
namespace {

// The parts of one RunParts call. It lives on the caller's stack: it is
// taken off the queue before its last part is handed out, and the caller
// returns only when every part has reported back.
struct Batch {
  const std::function<void(int)>* task = nullptr;
  int count = 0;
  int next = 0;  // the next part to hand out (under the pool's lock)
  std::mutex mutex;
  std::condition_variable finished;
  int done = 0;  // under `mutex`
  std::vector<std::exception_ptr> errors;

  void Run(int part) {
    std::exception_ptr error;
    try {
      (*task)(part);
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (error) errors[static_cast<std::size_t>(part)] = error;
    if (++done == count) finished.notify_all();
  }
};

class Pool {
 public:
  Pool() {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned workers = std::clamp(cores - 1, 1u, 15u);
    for (unsigned i = 0; i < workers; ++i) {
      try {
        std::thread(&Pool::Work, this).detach();
        ++threads_;
      } catch (const std::system_error&) {
        break;  // fewer threads: callers do more of the work themselves
      }
    }
  }

  int Threads() const { return threads_ + 1; }

  void Run(Batch& batch) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(&batch);
    }
    wake_.notify_all();
    for (int part; (part = Claim(batch)) >= 0;) batch.Run(part);
    std::unique_lock<std::mutex> lock(batch.mutex);
    batch.finished.wait(lock, [&] { return batch.done == batch.count; });
  }

 private:
  // The next part of `batch`, -1 when all are handed out; the batch leaves
  // the queue with its last part.
  int Claim(Batch& batch) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (batch.next >= batch.count) return -1;
    const int part = batch.next++;
    if (batch.next == batch.count) queue_.erase(std::find(queue_.begin(), queue_.end(), &batch));
    return part;
  }

  void Work() {
    for (;;) {
      Batch* batch = nullptr;
      int part = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return !queue_.empty(); });
        batch = queue_.front();
        part = batch->next++;
        if (batch->next == batch->count) queue_.pop_front();
      }
      batch->Run(part);
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Batch*> queue_;
  int threads_ = 0;
};

// Made on first use and never destroyed: its threads wait for work until
// the program ends.
Pool& ThePool() {
  static Pool* pool = new Pool;
  return *pool;
}

}  // namespace

int ParallelThreads() { return ThePool().Threads(); }

void RunParts(int parts, const std::function<void(int part)>& task) {
  if (parts <= 0) return;
  if (parts == 1) return task(0);
  Batch batch;
  batch.task = &task;
  batch.count = parts;
  batch.errors.resize(static_cast<std::size_t>(parts));
  ThePool().Run(batch);
  for (const std::exception_ptr& e : batch.errors)
    if (e) std::rethrow_exception(e);
}

}  // namespace tandemix

#include "base/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
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
// returns only when every part has reported back. Its counters are kept
// under the pool's lock.
struct Batch {
  const std::function<void(int)>* task = nullptr;
  // The batch whose part started this one (null: started outside the
  // pool). It outlives this batch: its part waits for this one to end.
  const Batch* parent = nullptr;
  int count = 0;
  int next = 0;  // the next part to hand out
  int done = 0;
  std::vector<std::exception_ptr> errors;

  bool Descends(const Batch& ancestor) const {
    for (const Batch* b = this; b != nullptr; b = b->parent)
      if (b == &ancestor) return true;
    return false;
  }
};

// The batch whose part the calling thread is running.
thread_local const Batch* current = nullptr;

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

  // Runs the batch's parts on the pool and the caller. Once the caller has
  // no part of it left to take, it takes parts of the batches the batch's
  // own parts started (their rows, their views' planes) rather than sit
  // idle while a worker does them alone; it never takes part in unrelated
  // work, whose locks and frames it might be holding up or be held up by.
  void Run(Batch& batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(&batch);
    Changed();
    while (batch.done < batch.count) {
      Batch* work = nullptr;
      for (Batch* queued : queue_)
        if (queued->Descends(batch)) {
          work = queued;
          break;
        }
      if (work == nullptr) {
        Await(lock);
        continue;
      }
      RunPart(*work, lock);
    }
  }

 private:
  // Hands out the next part of `batch` (queued) and runs it without the
  // lock; the batch leaves the queue with its last part.
  void RunPart(Batch& batch, std::unique_lock<std::mutex>& lock) {
    const int part = batch.next++;
    if (batch.next == batch.count) queue_.erase(std::find(queue_.begin(), queue_.end(), &batch));
    lock.unlock();
    std::exception_ptr error;
    const Batch* outer = current;
    current = &batch;
    try {
      (*batch.task)(part);
    } catch (...) {
      error = std::current_exception();
    }
    current = outer;
    lock.lock();
    if (error) batch.errors[static_cast<std::size_t>(part)] = error;
    if (++batch.done == batch.count) Changed();
  }

  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      while (queue_.empty()) Await(lock);
      RunPart(*queue_.front(), lock);
    }
  }

  // With the lock held: wakes the threads waiting for a change.
  void Changed() {
    version_.fetch_add(1, std::memory_order_release);
    changed_.notify_all();
  }

  // With the lock held: returns after a change (or a spurious wake-up). A
  // frame's passes follow each other within microseconds, so the thread
  // first watches for a change for a moment without the lock before it
  // sleeps: waking a sleeping thread takes longer than many a pass.
  void Await(std::unique_lock<std::mutex>& lock) {
    const unsigned seen = version_.load(std::memory_order_acquire);
    lock.unlock();
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
    bool moved = false;
    for (int spin = 1; !moved; ++spin) {
#if defined(__x86_64__)
      __builtin_ia32_pause();
#endif
      moved = version_.load(std::memory_order_acquire) != seen;
      if (spin % 64 == 0 && std::chrono::steady_clock::now() > until) break;
    }
    lock.lock();
    if (!moved && version_.load(std::memory_order_relaxed) == seen) changed_.wait(lock);
  }

  std::mutex mutex_;
  // A batch queued or finished: the condition, and a count that moves on
  // each time (read without the lock while watching).
  std::condition_variable changed_;
  std::atomic<unsigned> version_{0};
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
  batch.parent = current;
  batch.count = parts;
  batch.errors.resize(static_cast<std::size_t>(parts));
  ThePool().Run(batch);
  for (const std::exception_ptr& e : batch.errors)
    if (e) std::rethrow_exception(e);
}

}  // namespace tandemix

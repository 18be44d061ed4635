// The time the player runs on, and how its threads wait for it. The
// program uses the system's steady clock; a test can run the player on a
// clock of its own (simulated, stepping only while the player's threads
// wait) and still exercise the real waiting and sync logic.
#pragma once

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace tandemix {

class PlayerTime {
 public:
  virtual ~PlayerTime() = default;
  // Seconds since some fixed moment.
  virtual double Now() = 0;
  // Waits on `wake`, `lock` held on entry and on return, until `done` holds
  // or `seconds` of this time have passed (an infinite number: until done).
  virtual void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, double seconds,
                    const std::function<bool()>& done) = 0;
};

class SystemPlayerTime : public PlayerTime {
 public:
  double Now() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
  void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, double seconds,
            const std::function<bool()>& done) override {
    if (std::isinf(seconds))
      wake.wait(lock, done);
    else
      wake.wait_for(lock, std::chrono::duration<double>(seconds), done);
  }
};

}  // namespace tandemix

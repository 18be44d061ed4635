// Shared by the engine benchmarks: a scratch folder, media made with the
// ffmpeg command, timing of reference commands and the closing ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tandemix::bench {

class ScratchFolder {
 public:
  ScratchFolder() {
    char name[] = "/tmp/tandemix-bench-XXXXXX";
    if (!mkdtemp(name)) throw std::runtime_error("cannot make a scratch folder");
    path_ = name;
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

inline void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("command failed: " + command);
}

// What a command took: its peak resident memory and its processor time.
struct CommandUsage {
  long peakKb = 0;
  double cpuSeconds = 0.0;  // user and system, over all its threads
};

// Runs a command through the shell, which hands its process over to it
// (exec), and gives what it used.
inline CommandUsage ShellUsage(const std::string& command) {
  const std::string line = "exec " + command;
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("cannot start: " + command);
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("command failed: " + command);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return {usage.ru_maxrss, seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

inline long ShellPeakKb(const std::string& command) { return ShellUsage(command).peakKb; }

// An H.264 clip of the testsrc2 pattern.
inline void MakeClip(const std::string& path, int width, int height, int frames, const std::string& extra = "") {
  Shell("ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=" + std::to_string(width) + "x" +
        std::to_string(height) + ":rate=25 -frames:v " + std::to_string(frames) +
        " -c:v libx264 -preset veryfast -pix_fmt yuv420p " + extra + " " + Quote(path));
}

// Seconds per iteration of each benchmark, fastest iteration kept.
inline std::map<std::string, double>& Timings() {
  static std::map<std::string, double> timings;
  return timings;
}

// Times one iteration's work and keeps the fastest.
template <typename Work>
void Timed(benchmark::State& state, const std::string& name, Work work) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    auto& best = Timings()[name];
    if (best == 0.0 || seconds < best) best = seconds;
  }
}

inline void PrintRatio(const std::string& what, const std::string& ours, const std::string& reference) {
  const double a = Timings()[ours];
  const double b = Timings()[reference];
  if (a <= 0.0 || b <= 0.0) return;
  std::printf(
      "%s: Tandemix %.3f s, reference %.3f s; reference time / Tandemix time = %.2f (above 1: Tandemix faster)\n",
      what.c_str(), a, b, b / a);
}

}  // namespace tandemix::bench

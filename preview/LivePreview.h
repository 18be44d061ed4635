// The preview while a bar is dragged: compositions run on a thread of their
// own, so the window keeps taking the bar's moves, and only the newest
// request is ever rendered. A request that arrives while another waits
// replaces it; a picture finished after a newer one was shown, or after
// the drag ended, is dropped, so the picture never lags behind the bar.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/AlignmentSettings.h"
#include "preview/Compositor.h"

namespace tandemix {

// Everything one composition reads, taken from the settings on the
// window's thread.
struct PreviewRequest {
  int horizontalShift = 0;
  int verticalShift = 0;
  double scaleLeft = 1.0, scaleRight = 1.0;  // factors
  double angleLeft = 0.0, angleRight = 0.0;  // degrees
  PreviewSwitches switches;
};

// Reads the boxes as the compositor does; throws the conversion message of
// a box that holds no number.
PreviewRequest PreviewRequestFrom(const AlignmentSettings& settings);

class LivePreview {
 public:
  // `post` runs a function on the thread that shows pictures (the window's
  // event loop); `show` shows a finished picture there.
  using Post = std::function<void(std::function<void()>)>;
  using Show = std::function<void(const Bitmap&)>;
  LivePreview(Post post, Show show);
  ~LivePreview();
  LivePreview(const LivePreview&) = delete;
  LivePreview& operator=(const LivePreview&) = delete;

  // The captured pair (copied); until it is set nothing renders.
  void SetFrames(const Bitmap& left, const Bitmap& right);
  // Renders this next, in place of any request still waiting.
  void Request(const PreviewRequest& request);
  // Nothing requested so far is shown any more (the drag ended and the
  // final picture is composed the ordinary way).
  void Cancel();

  struct Counts {
    int requested = 0;
    int replaced = 0;  // waiting requests a newer one took the place of
    int rendered = 0;
    int shown = 0;
    int dropped = 0;  // rendered but stale when finished or delivered
    int failed = 0;   // values the compositor refused
  };
  Counts Stats() const;
  // Waits until no request waits or renders; false after `milliseconds`.
  bool WaitIdle(int milliseconds) const;

 private:
  struct Shared;
  void Run();

  std::shared_ptr<Shared> shared_;
  std::thread worker_;
};

}  // namespace tandemix

#include "preview/LivePreview.h"

#include <chrono>

#include "base/Errors.h"

namespace tandemix {

PreviewRequest PreviewRequestFrom(const AlignmentSettings& settings) {
  PreviewRequest r;
  // The order the compositor reads them in, so the same box is named first.
  r.scaleLeft = settings.ScaleLeftFactor();
  r.scaleRight = settings.ScaleRightFactor();
  r.angleLeft = settings.AngleLeft();
  r.angleRight = settings.AngleRight();
  r.horizontalShift = settings.HorizontalShift();
  r.verticalShift = settings.VerticalShift();
  r.switches = SwitchesFrom(settings);
  return r;
}

struct LivePreview::Shared {
  Post post;
  Show show;
  mutable std::mutex mutex;
  mutable std::condition_variable wake;     // the worker waits here
  mutable std::condition_variable settled;  // WaitIdle waits here
  bool stopping = false;
  std::optional<PreviewRequest> waiting;
  std::uint64_t waitingNumber = 0;
  std::uint64_t lastNumber = 0;      // of the newest request
  std::uint64_t cancelledUpTo = 0;   // requests up to this are not shown
  std::uint64_t shownNumber = 0;     // of the picture shown last
  std::uint64_t renderedNumber = 0;  // of the newest picture rendered
  bool busy = false;
  std::optional<std::pair<Bitmap, Bitmap>> newFrames;
  Counts counts;
};

LivePreview::LivePreview(Post post, Show show) : shared_(std::make_shared<Shared>()) {
  shared_->post = std::move(post);
  shared_->show = std::move(show);
  worker_ = std::thread([this] { Run(); });
}

LivePreview::~LivePreview() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->stopping = true;
    shared_->cancelledUpTo = shared_->lastNumber;
  }
  shared_->wake.notify_all();
  worker_.join();
}

void LivePreview::SetFrames(const Bitmap& left, const Bitmap& right) {
  std::lock_guard lock(shared_->mutex);
  shared_->newFrames.emplace(left, right);
}

void LivePreview::Request(const PreviewRequest& request) {
  {
    std::lock_guard lock(shared_->mutex);
    ++shared_->counts.requested;
    if (shared_->waiting) ++shared_->counts.replaced;
    shared_->waiting = request;
    shared_->waitingNumber = ++shared_->lastNumber;
  }
  shared_->wake.notify_one();
}

void LivePreview::Cancel() {
  std::lock_guard lock(shared_->mutex);
  shared_->cancelledUpTo = shared_->lastNumber;
  if (shared_->waiting) {
    shared_->waiting.reset();
    ++shared_->counts.replaced;
  }
  shared_->settled.notify_all();
}

LivePreview::Counts LivePreview::Stats() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->counts;
}

bool LivePreview::WaitIdle(int milliseconds) const {
  std::unique_lock lock(shared_->mutex);
  return shared_->settled.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                   [&] { return !shared_->waiting && !shared_->busy; });
}

void LivePreview::Run() {
  const std::shared_ptr<Shared> s = shared_;
  PreviewCompositor compositor;
  for (;;) {
    PreviewRequest request;
    std::uint64_t number = 0;
    {
      std::unique_lock lock(s->mutex);
      s->wake.wait(lock, [&] { return s->stopping || s->waiting.has_value(); });
      if (s->stopping) return;
      if (s->newFrames) {
        compositor.SetFrames(std::move(s->newFrames->first), std::move(s->newFrames->second));
        s->newFrames.reset();
      }
      request = *s->waiting;
      number = s->waitingNumber;
      s->waiting.reset();
      s->busy = compositor.HasFrames();
      if (!s->busy) {
        s->settled.notify_all();
        continue;
      }
    }
    bool composed = true;
    try {
      compositor.ComposePreview(request.horizontalShift, request.verticalShift, request.scaleLeft, request.scaleRight,
                                request.angleLeft, request.angleRight, request.switches);
    } catch (const TandemixError&) {
      composed = false;
    }
    std::unique_lock lock(s->mutex);
    if (!composed) {
      ++s->counts.failed;
    } else {
      ++s->counts.rendered;
      if (number <= s->cancelledUpTo) {
        // The drag ended meanwhile: its own picture comes the ordinary way.
        ++s->counts.dropped;
      } else {
        s->renderedNumber = number;
        std::weak_ptr<Shared> weak = s;
        Bitmap picture = compositor.PreviewImage();
        lock.unlock();
        s->post([weak, number, picture = std::move(picture)] {
          const std::shared_ptr<Shared> alive = weak.lock();
          if (!alive) return;
          {
            std::lock_guard guard(alive->mutex);
            // Delivered late: the drag ended, or a newer picture is
            // finished and on its way.
            if (number <= alive->cancelledUpTo || number < alive->renderedNumber) {
              ++alive->counts.dropped;
              return;
            }
            alive->shownNumber = number;
            ++alive->counts.shown;
          }
          alive->show(picture);
        });
        lock.lock();
      }
    }
    // Idle only once the picture is on its way.
    s->busy = false;
    s->settled.notify_all();
  }
}

}  // namespace tandemix

#include "preview/AutoAlignRunner.h"

#include <optional>

namespace tandemix {
namespace {

// Reports of one run, posted to the window's thread unless the run was
// cancelled meanwhile.
class PostedProgress : public AlignProgress {
 public:
  using Deliver = std::function<void(std::function<void(const AutoAlignRunner::Listener&)>)>;
  PostedProgress(Deliver deliver, std::shared_ptr<std::atomic<bool>> cancelled)
      : deliver_(std::move(deliver)), cancelled_(std::move(cancelled)) {}
  bool Step(const std::string& what, int done, int total) const override {
    if (Cancelled()) return false;
    deliver_([what, done, total](const AutoAlignRunner::Listener& l) {
      if (l.progress) l.progress(what, done, total);
    });
    return true;
  }
  bool Cancelled() const override { return cancelled_->load(); }

 private:
  Deliver deliver_;
  std::shared_ptr<std::atomic<bool>> cancelled_;
};

}  // namespace

AutoAlignRunner::AutoAlignRunner(Post post, Listener listener)
    : post_(std::move(post)), listener_(std::make_shared<Listener>(std::move(listener))) {}

AutoAlignRunner::~AutoAlignRunner() {
  // What the worker posts from now on finds no runner.
  alive_.reset();
  if (cancelled_) cancelled_->store(true);
  if (worker_.joinable()) worker_.join();
}

bool AutoAlignRunner::Start(AutoAlignWork work) {
  if (busy_) return false;
  // The last run delivered its end: its thread has nothing left to do.
  if (worker_.joinable()) worker_.join();
  busy_ = true;
  cancelled_ = std::make_shared<std::atomic<bool>>(false);
  std::weak_ptr<AutoAlignRunner*> weak = alive_;
  // Runs `report` on the window's thread while the run is not cancelled
  // and the runner lives.
  auto deliver = [post = post_, weak, listener = listener_,
                  cancelled = cancelled_](std::function<void(const Listener&)> report) {
    post([weak, listener, cancelled, report = std::move(report)] {
      if (weak.expired() || cancelled->load()) return;
      report(*listener);
    });
  };
  worker_ =
      std::thread([post = post_, weak, deliver, listener = listener_, cancelled = cancelled_, work = std::move(work)] {
        const PostedProgress progress(deliver, cancelled);
        std::optional<AlignmentProposal> result;
        std::string failure;
        try {
          result = work(progress);
        } catch (const AlignCancelled&) {
          // Nothing to deliver but the end.
        } catch (const std::exception& e) {
          failure = e.what();
        }
        post([weak, listener, cancelled, result = std::move(result), failure = std::move(failure)] {
          const std::shared_ptr<AutoAlignRunner*> alive = weak.lock();
          if (!alive) return;
          (*alive)->busy_ = false;
          if (!cancelled->load()) {
            if (result && listener->done) listener->done(*result);
            if (!result && listener->failed) listener->failed(failure.empty() ? "cancelled" : failure);
          }
          if (listener->ended) listener->ended();
        });
      });
  return true;
}

void AutoAlignRunner::Cancel() {
  if (busy_ && cancelled_) cancelled_->store(true);
}

}  // namespace tandemix

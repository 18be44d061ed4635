#include "render/RenderEncoder.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/ScriptEngine.h"
#include "engine/filters/Conversions.h"
#include "media/FFmpegLog.h"
#include "render/AudioStage.h"
#include "render/RenderTarget.h"
#include "render/VideoStage.h"

extern "C" {
#include <libavutil/log.h>
}

namespace tandemix::render {
namespace {

// The frames made ahead of the encoder, in order; the maker stops at
// `capacity` frames waiting, at the end, on a failure or when told to.
class FrameQueue {
 public:
  explicit FrameQueue(std::size_t capacity) : capacity_(capacity) {}
  bool Push(FramePtr frame) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return frames_.size() < capacity_ || stopped_; });
    if (stopped_) return false;
    frames_.push_back(std::move(frame));
    changed_.notify_all();
    return true;
  }
  void Fail(std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    error_ = error;
    changed_.notify_all();
  }
  // The next frame; rethrows the maker's failure once the frames before it are taken.
  FramePtr Pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !frames_.empty() || error_; });
    if (frames_.empty()) std::rethrow_exception(error_);
    FramePtr frame = std::move(frames_.front());
    frames_.pop_front();
    changed_.notify_all();
    return frame;
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<FramePtr> frames_;
  std::exception_ptr error_;
  std::size_t capacity_;
  bool stopped_ = false;
};

// One render: the target file, the video stage, the sound stage when the
// clip has sound and a codec is chosen for it, and the thread that makes
// the frames ahead of the encoder.
class Renderer {
 public:
  Renderer(const engine::ClipPtr& clip, std::string scriptName, std::string path, const RenderSettings& settings,
           ViewLayout layout)
      : clip_(clip),
        info_(clip->Info()),
        scriptName_(std::move(scriptName)),
        path_(std::move(path)),
        settings_(settings),
        layout_(layout) {}

  ~Renderer() {
    if (producer_.joinable()) {
      queue_.Stop();
      producer_.join();
    }
  }

  RenderResult Run(const ProgressCallback& progress, const std::atomic<bool>* cancel) {
    CheckSettings(path_, settings_).OrThrow();
    if (!info_.hasVideo || info_.width <= 0 || info_.height <= 0)
      throw TandemixError("The script " + scriptName_ + " has no picture to render");
    if (info_.frameCount <= 0) throw TandemixError("The script " + scriptName_ + " has no frames to render");
    const int start = settings_.start;
    if (start >= info_.frameCount)
      throw TandemixError("The start frame " + std::to_string(start) + " is out of range: " + scriptName_ + " has " +
                          std::to_string(info_.frameCount) + " frames");
    const int remaining = info_.frameCount - start;
    frames_ = settings_.count < 0 || settings_.count > remaining ? remaining : settings_.count;
    if (frames_ == 0) throw TandemixError("There is no frame to render (--count 0)");

    const FramePlan plan = PlanFrames(info_.width, info_.height, info_.pixelType, settings_.video, settings_.keepSize);
    result_.frames = frames_;
    AddNote(plan.note);

    target_ = std::make_unique<RenderTarget>(path_, std::vector<std::string>{scriptName_});
    video_ = std::make_unique<VideoStage>(info_, scriptName_, settings_, plan, *target_);
    if (settings_.audio != AudioCodec::None && info_.audio.Present()) {
      audio_ = std::make_unique<AudioStage>(clip_, settings_, *target_);
      AddNote(audio_->Note());
      result_.sound = true;
    }
    std::string tagNote;
    result_.layout = target_->TagLayout(video_->Stream(), layout_, tagNote);
    AddNote(tagNote);
    target_->Begin();

    producer_ = std::thread([this, start] {
      try {
        for (int i = 0; i < frames_; ++i)
          if (!queue_.Push(engine::FrameOf(*clip_, start + i, scriptName_))) return;
      } catch (...) {
        queue_.Fail(std::current_exception());
      }
    });

    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < frames_; ++i) {
      if (cancel && cancel->load()) throw RenderCancelled();
      video_->Encode(queue_.Pop(), i);
      if (audio_) audio_->EncodeUpTo(SampleOfFrame(start + i + 1, info_));
      if (progress) {
        RenderProgress p;
        p.done = i + 1;
        p.total = frames_;
        p.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        p.note = result_.note;
        progress(p);
      }
    }
    producer_.join();
    if (cancel && cancel->load()) throw RenderCancelled();
    video_->Finish();
    if (audio_) audio_->Finish();
    target_->Finish();
    return result_;
  }

 private:
  void AddNote(const std::string& note) {
    if (note.empty()) return;
    if (!result_.note.empty()) result_.note += "; ";
    result_.note += note;
  }

  engine::ClipPtr clip_;
  engine::ClipInfo info_;
  std::string scriptName_;
  std::string path_;
  RenderSettings settings_;
  ViewLayout layout_;
  int frames_ = 0;
  RenderResult result_;

  // Destroyed in reverse: the encoders go before the file they write.
  std::unique_ptr<RenderTarget> target_;
  std::unique_ptr<VideoStage> video_;
  std::unique_ptr<AudioStage> audio_;

  // One frame made ahead of the one encoded: x264 runs its own threads,
  // so a deeper queue only holds more frames outside the engine's pools.
  FrameQueue queue_{1};
  std::thread producer_;
};

}  // namespace

RenderResult RenderClip(const engine::ClipPtr& clip, const std::string& scriptName, const std::string& path,
                        const RenderSettings& settings, ViewLayout layout, const ProgressCallback& progress,
                        const std::atomic<bool>* cancel) {
  media::QuietFFmpegLog();
  // Planar RGB is encoded from the packed RGB with the same bytes.
  const PixelType type = clip->Info().pixelType;
  const engine::ClipPtr source =
      IsPlanarRGBType(type) ? engine::MakeConvert(clip, HasAlphaType(type) ? PixelType::RGB32 : PixelType::RGB24)
                            : clip;
  Renderer renderer(source, scriptName, path, settings, layout);
  return renderer.Run(progress, cancel);
}

RenderResult RenderScript(const std::string& script, const std::string& path, const RenderSettings& settings,
                          ViewLayout layout, const ProgressCallback& progress, const std::atomic<bool>* cancel) {
  // The settings are checked before the script runs: a wrong name costs nothing.
  CheckSettings(path, settings).OrThrow();
  const engine::ClipPtr clip = engine::OpenVideo(script);  // a script, or a media file as it is
  return RenderClip(clip, script, path, settings, layout, progress, cancel);
}

}  // namespace tandemix::render

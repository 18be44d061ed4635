#include "render/RenderEncoder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/TextFile.h"
#include "engine/ScriptEngine.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/stereo3d.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace tandemix::render {
namespace {

using engine::SampleType;

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

const char* EncoderName(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::H264:
      return "libx264";
    case VideoCodec::H265:
      return "libx265";
    case VideoCodec::AV1:
      return "libaom-av1";
    case VideoCodec::FFV1:
      return "ffv1";
  }
  return "";
}

const char* AudioEncoderName(AudioCodec codec, SampleType type) {
  switch (codec) {
    case AudioCodec::AAC:
      return "aac";
    case AudioCodec::Opus:
      return "libopus";
    case AudioCodec::FLAC:
      return "flac";
    case AudioCodec::PCM:
      switch (type) {
        case SampleType::Int8:
        case SampleType::Int16:
          return "pcm_s16le";
        case SampleType::Int24:
          return "pcm_s24le";
        case SampleType::Int32:
          return "pcm_s32le";
        case SampleType::Float:
          return "pcm_f32le";
      }
      return "pcm_s16le";
    case AudioCodec::None:
      return "";
  }
  return "";
}

const char* MuxerName(Container c) {
  switch (c) {
    case Container::MKV:
      return "matroska";
    case Container::MP4:
      return "mp4";
    case Container::MOV:
      return "mov";
    case Container::AVI:
      return "avi";
  }
  return "";
}

AVPixelFormat SourceFormat(PixelType type) {
  switch (type) {
    case PixelType::RGB24:
      return AV_PIX_FMT_BGR24;
    case PixelType::RGB32:
      return AV_PIX_FMT_BGRA;
    case PixelType::YUY2:
      return AV_PIX_FMT_YUYV422;
    case PixelType::Y8:
      return AV_PIX_FMT_GRAY8;
    case PixelType::YV24:
      return AV_PIX_FMT_YUV444P;
    case PixelType::YV16:
      return AV_PIX_FMT_YUV422P;
    case PixelType::YV12:
      return AV_PIX_FMT_YUV420P;
  }
  return AV_PIX_FMT_NONE;
}

AVPixelFormat TargetFormat(EncodePixels pixels) {
  switch (pixels) {
    case EncodePixels::Yuv420:
      return AV_PIX_FMT_YUV420P;
    case EncodePixels::Yuv422:
      return AV_PIX_FMT_YUV422P;
    case EncodePixels::Yuv444:
      return AV_PIX_FMT_YUV444P;
    case EncodePixels::Gray:
      return AV_PIX_FMT_GRAY8;
    case EncodePixels::Rgb:
      return AV_PIX_FMT_0RGB32;
  }
  return AV_PIX_FMT_NONE;
}

AVSampleFormat InputSampleFormat(SampleType type) {
  switch (type) {
    case SampleType::Int8:
      return AV_SAMPLE_FMT_U8;
    case SampleType::Int16:
      return AV_SAMPLE_FMT_S16;
    case SampleType::Int24:  // widened to 32 bits before resampling
    case SampleType::Int32:
      return AV_SAMPLE_FMT_S32;
    case SampleType::Float:
      return AV_SAMPLE_FMT_FLT;
  }
  return AV_SAMPLE_FMT_S16;
}

// Sample n of a clip that starts at frame `frame`: frame * rate / fps, down.
int64_t SampleOfFrame(int64_t frame, const engine::ClipInfo& info) {
  return frame * info.audio.sampleRate * info.rateDenominator / info.rateNumerator;
}

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

// One render: owns every FFmpeg object and the temporary file, and
// removes the file unless Finish renamed it.
class Renderer {
 public:
  Renderer(const engine::ClipPtr& clip, std::string scriptName, std::string path, const RenderSettings& settings,
           Layout layout)
      : clip_(clip),
        info_(clip->Info()),
        scriptName_(std::move(scriptName)),
        path_(std::move(path)),
        settings_(settings),
        layout_(layout == Layout::Auto ? Layout::None : layout) {}

  ~Renderer() {
    if (producer_.joinable()) {
      queue_.Stop();
      producer_.join();
    }
    sws_freeContext(sws_);
    swr_free(&swr_);
    if (fifo_) av_audio_fifo_free(fifo_);
    av_frame_free(&videoFrame_);
    av_frame_free(&wrapped_);
    av_frame_free(&audioFrame_);
    av_packet_free(&packet_);
    avcodec_free_context(&video_);
    avcodec_free_context(&audio_);
    if (format_) {
      if (format_->pb) avio_closep(&format_->pb);
      avformat_free_context(format_);
    }
    if (!temp_.empty()) std::remove(temp_.c_str());
  }

  RenderResult Run(const ProgressCallback& progress, const std::atomic<bool>* cancel) {
    const std::string problem = CheckSettings(path_, settings_);
    if (!problem.empty()) throw TandemixError(problem);
    if (!info_.hasVideo || info_.width <= 0 || info_.height <= 0)
      throw TandemixError("The script " + scriptName_ + " has no picture to render");
    const int start = settings_.start;
    if (start >= info_.frameCount)
      throw TandemixError("The start frame " + std::to_string(start) + " is out of range: " + scriptName_ + " has " +
                          std::to_string(info_.frameCount) + " frames");
    const int remaining = info_.frameCount - start;
    frames_ = settings_.count < 0 || settings_.count > remaining ? remaining : settings_.count;
    if (frames_ == 0) throw TandemixError("There is no frame to render (--count 0)");

    plan_ = PlanFrames(info_.width, info_.height, info_.pixelType, settings_.video, settings_.keepSize);
    result_.frames = frames_;
    result_.layout = layout_;
    AddNote(plan_.note);

    OpenTarget();
    OpenVideo();
    if (settings_.audio != AudioCodec::None && info_.audio.Present()) OpenAudio();
    TagLayout();
    // Nothing is written before every encoder is open.
    const int opened = avio_open(&format_->pb, temp_.c_str(), AVIO_FLAG_WRITE);
    if (opened < 0) throw TandemixError("Cannot create file " + path_ + ": " + AvError(opened));
    AVDictionary* options = nullptr;
    const int header = avformat_write_header(format_, &options);
    av_dict_free(&options);
    if (header < 0) throw TandemixError("Cannot write the header of " + path_ + ": " + AvError(header));

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
      EncodeVideo(queue_.Pop(), i);
      if (audio_) EncodeAudioUpTo(SampleOfFrame(start + i + 1, info_));
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
    Send(video_, videoStream_, nullptr);
    if (audio_) FinishAudio();
    const int trailer = av_write_trailer(format_);
    if (trailer < 0) throw TandemixError("Cannot write " + path_ + ": " + AvError(trailer));
    const int closed = avio_closep(&format_->pb);
    if (closed < 0) throw TandemixError("Cannot write " + path_ + ": " + AvError(closed));
    if (std::rename(temp_.c_str(), path_.c_str()) != 0)
      throw TandemixError("Cannot create file " + path_ + ": " + std::strerror(errno));
    temp_.clear();
    return result_;
  }

 private:
  void AddNote(const std::string& note) {
    if (note.empty()) return;
    if (!result_.note.empty()) result_.note += "; ";
    result_.note += note;
  }

  // A fresh name beside the target: same folder, so the rename cannot
  // cross file systems.
  void OpenTarget() {
    const std::size_t slash = path_.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
    const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    if (name.empty()) throw TandemixError("Cannot create file " + path_ + ": the name is empty");
    std::string pattern = folder + "/." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0) throw TandemixError("Cannot create file " + path_ + ": " + std::strerror(errno));
    temp_ = buffer.data();
    // mkstemp makes the file private; the movie gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    ::close(fd);
    const Container container = *ContainerOfPath(path_);
    container_ = container;
    const int made = avformat_alloc_output_context2(&format_, nullptr, MuxerName(container), temp_.c_str());
    if (made < 0 || !format_) throw TandemixError("Cannot make a " + std::string(NameOf(container)) + " file");
    packet_ = av_packet_alloc();
  }

  void OpenVideo() {
    const char* name = EncoderName(settings_.video);
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec)
      throw TandemixError(std::string("This FFmpeg has no ") + name + " encoder for " + Description(settings_.video) +
                          " video; choose another video codec");
    video_ = avcodec_alloc_context3(codec);
    video_->width = plan_.width;
    video_->height = plan_.height;
    video_->pix_fmt = TargetFormat(plan_.pixels);
    video_->time_base = AVRational{info_.rateDenominator, info_.rateNumerator};
    video_->framerate = AVRational{info_.rateNumerator, info_.rateDenominator};
    video_->sample_aspect_ratio = AVRational{1, 1};
    if (plan_.pixels != EncodePixels::Rgb) {
      video_->color_range = AVCOL_RANGE_MPEG;
      video_->colorspace = AVCOL_SPC_SMPTE170M;  // the engine's Rec601 matrix
    }
    video_->thread_count = 0;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    const int crf = settings_.crf >= 0 ? settings_.crf : DefaultCrf(settings_.video);
    const std::string preset = settings_.preset.empty() ? DefaultPreset(settings_.video) : settings_.preset;
    switch (settings_.video) {
      case VideoCodec::H264:
      case VideoCodec::H265:
        av_dict_set_int(&options, "crf", crf, 0);
        av_dict_set(&options, "preset", preset.c_str(), 0);
        if (settings_.video == VideoCodec::H265) av_dict_set(&options, "x265-params", "log-level=error", 0);
        break;
      case VideoCodec::AV1:
        av_dict_set_int(&options, "crf", crf, 0);
        av_dict_set(&options, "cpu-used", preset.c_str(), 0);
        av_dict_set(&options, "row-mt", "1", 0);
        video_->bit_rate = 0;
        break;
      case VideoCodec::FFV1:
        av_dict_set(&options, "level", "3", 0);
        av_dict_set(&options, "slicecrc", "1", 0);
        break;
    }
    const int opened = avcodec_open2(video_, codec, &options);
    av_dict_free(&options);
    if (opened < 0)
      throw TandemixError(std::string("The ") + Description(settings_.video) + " encoder refused the picture (" +
                          std::to_string(plan_.width) + "x" + std::to_string(plan_.height) + "): " + AvError(opened));
    videoStream_ = avformat_new_stream(format_, nullptr);
    avcodec_parameters_from_context(videoStream_->codecpar, video_);
    videoStream_->time_base = video_->time_base;
    videoStream_->avg_frame_rate = video_->framerate;

    videoFrame_ = av_frame_alloc();
    videoFrame_->format = video_->pix_fmt;
    videoFrame_->width = plan_.width;
    videoFrame_->height = plan_.height;
    const AVPixelFormat source = SourceFormat(info_.pixelType);
    direct_ = source == video_->pix_fmt && plan_.padRight == 0 && plan_.padBottom == 0;
    if (!direct_) {
      sws_ = sws_getContext(info_.width, info_.height, source, info_.width, info_.height, video_->pix_fmt,
                            SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
      if (!sws_) throw TandemixError("Cannot convert the picture for the encoder");
    }
  }

  void OpenAudio() {
    const engine::AudioInfo& a = info_.audio;
    const char* name = AudioEncoderName(settings_.audio, a.sampleType);
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec)
      throw TandemixError(std::string("This FFmpeg has no ") + name + " encoder for " + Description(settings_.audio) +
                          " sound; choose another sound codec");
    audio_ = avcodec_alloc_context3(codec);
    int rate = a.sampleRate;
    if (codec->supported_samplerates) {
      bool supported = false;
      for (const int* r = codec->supported_samplerates; *r; ++r) supported = supported || *r == rate;
      if (!supported) {
        AddNote("sound resampled from " + std::to_string(rate) + " Hz to 48000 Hz for " + Description(settings_.audio));
        rate = 48000;
      }
    }
    audio_->sample_rate = rate;
    av_channel_layout_default(&audio_->ch_layout, a.channels);
    audio_->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    if (settings_.audio == AudioCodec::AAC || settings_.audio == AudioCodec::Opus)
      audio_->bit_rate = static_cast<int64_t>(settings_.audioBitrateK) * 1000;
    audio_->time_base = AVRational{1, rate};
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int opened = avcodec_open2(audio_, codec, nullptr);
    if (opened < 0)
      throw TandemixError(std::string("The ") + Description(settings_.audio) + " encoder refused the sound (" +
                          std::to_string(a.channels) + " channels, " + std::to_string(a.sampleRate) +
                          " Hz): " + AvError(opened));
    audioStream_ = avformat_new_stream(format_, nullptr);
    avcodec_parameters_from_context(audioStream_->codecpar, audio_);
    audioStream_->time_base = audio_->time_base;

    AVChannelLayout layout;
    av_channel_layout_default(&layout, a.channels);
    const int made = swr_alloc_set_opts2(&swr_, &audio_->ch_layout, audio_->sample_fmt, rate, &layout,
                                         InputSampleFormat(a.sampleType), a.sampleRate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    if (made < 0 || swr_init(swr_) < 0) throw TandemixError("Cannot convert the sound for the encoder");
    fifo_ = av_audio_fifo_alloc(audio_->sample_fmt, a.channels, 4096);
    audioFrame_ = av_frame_alloc();
    frameSamples_ = audio_->frame_size > 0 ? audio_->frame_size : 1024;
    nextSample_ = SampleOfFrame(settings_.start, info_);
    result_.sound = true;
  }

  // The layout where the container keeps one: Matroska's StereoMode; MP4
  // and MOV's stereo box, which knows side by side, over/under and 2D
  // (FFmpeg writes it as an unofficial extension).
  void TagLayout() {
    if (layout_ == Layout::None) return;
    const std::string container = std::string(".") + NameOf(container_);
    if (container_ == Container::MKV) {
      av_dict_set(&videoStream_->metadata, "stereo_mode", MatroskaStereoMode(layout_), 0);
      return;
    }
    AVStereo3DType type;
    switch (layout_) {
      case Layout::SideBySide:
      case Layout::SideBySideHalf:
        type = AV_STEREO3D_SIDEBYSIDE;
        break;
      case Layout::OverUnder:
      case Layout::OverUnderHalf:
        type = AV_STEREO3D_TOPBOTTOM;
        break;
      case Layout::Mono:
        type = AV_STEREO3D_2D;
        break;
      default:
        AddNote(std::string("a ") + container + " file has no 3D tag for " + Description(layout_) +
                " (use .mkv for one)");
        result_.layout = Layout::None;
        return;
    }
    if (container_ == Container::AVI) {
      AddNote("an .avi file has no 3D tag (use .mkv or .mp4 for one)");
      result_.layout = Layout::None;
      return;
    }
    format_->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    uint8_t* data = av_stream_new_side_data(videoStream_, AV_PKT_DATA_STEREO3D, sizeof(AVStereo3D));
    if (!data) throw TandemixError("Out of memory");
    AVStereo3D stereo{};
    stereo.type = type;
    std::memcpy(data, &stereo, sizeof stereo);
  }

  void FillVideoFrame(const FrameBGR& frame) {
    const int made = av_frame_make_writable(videoFrame_);
    if (made < 0 || !videoFrame_->data[0]) {
      av_frame_unref(videoFrame_);
      videoFrame_->format = video_->pix_fmt;
      videoFrame_->width = plan_.width;
      videoFrame_->height = plan_.height;
      if (av_frame_get_buffer(videoFrame_, 0) < 0) throw TandemixError("Out of memory");
    }
    if (direct_) {
      for (int p = 0; p < frame.Planes(); ++p)
        av_image_copy_plane(videoFrame_->data[p], videoFrame_->linesize[p], frame.Plane(p),
                            static_cast<int>(frame.Stride(p)), frame.PlaneWidth(p), frame.PlaneHeight(p));
      return;
    }
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    for (int p = 0; p < frame.Planes(); ++p) {
      planes[p] = frame.Plane(p);
      strides[p] = static_cast<int>(frame.Stride(p));
    }
    sws_scale(sws_, planes, strides, 0, info_.height, videoFrame_->data, videoFrame_->linesize);
    BlackenPadding();
  }

  // Black in the added column and row, written after every scale: the
  // scaler's vector code may write past the clip's own width.
  void BlackenPadding() {
    if (plan_.padRight == 0 && plan_.padBottom == 0) return;
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(videoFrame_->format));
    for (int p = 0; p < 3 && videoFrame_->data[p]; ++p) {
      const bool chroma = p > 0;
      const int sx = chroma ? d->log2_chroma_w : 0;
      const int sy = chroma ? d->log2_chroma_h : 0;
      const int w = AV_CEIL_RSHIFT(plan_.width, sx);
      const int h = AV_CEIL_RSHIFT(plan_.height, sy);
      const int ownW = AV_CEIL_RSHIFT(info_.width, sx);
      const int ownH = AV_CEIL_RSHIFT(info_.height, sy);
      const uint8_t value = chroma ? 128 : 16;
      for (int y = 0; y < h; ++y) {
        uint8_t* row = videoFrame_->data[p] + static_cast<std::ptrdiff_t>(y) * videoFrame_->linesize[p];
        if (y >= ownH)
          std::memset(row, value, w);
        else if (ownW < w)
          std::memset(row + ownW, value, w - ownW);
      }
    }
  }

  // The engine's frame goes back to its pool once copied: the pools keep
  // few spares, and a frame made afresh costs page faults at this size.
  void EncodeVideo(FramePtr frame, int index) {
    if (frame->width != info_.width || frame->height != info_.height || frame->type != info_.pixelType)
      throw TandemixError("Frame " + std::to_string(settings_.start + index) + " of " + scriptName_ +
                          " does not match the clip's size or type");
    if (direct_) {
      SendWrapped(std::move(frame), index);
      return;
    }
    FillVideoFrame(*frame);
    frame.reset();
    videoFrame_->pts = index;
    Send(video_, videoStream_, videoFrame_);
  }

  // The engine's frame handed to the encoder as it is, without a copy: the
  // encoder's reference keeps the frame, and so its pool slot, until it lets
  // go (x264 copies the picture in at once).
  void SendWrapped(FramePtr frame, int index) {
    if (!wrapped_ && !(wrapped_ = av_frame_alloc())) throw TandemixError("Out of memory");
    const VideoFrame& f = *frame;
    auto* hold = new FramePtr(std::move(frame));
    // The buffer only counts the references; the planes are set below (a
    // decoder's picture viewed where it lies has its own strides).
    wrapped_->buf[0] = av_buffer_create(const_cast<uint8_t*>(f.Plane(0)), f.Stride(0) * f.PlaneHeight(0),
                                        ReleaseHeldFrame, hold, AV_BUFFER_FLAG_READONLY);
    if (!wrapped_->buf[0]) {
      delete hold;
      throw TandemixError("Out of memory");
    }
    wrapped_->format = video_->pix_fmt;
    wrapped_->width = f.width;
    wrapped_->height = f.height;
    for (int p = 0; p < f.Planes(); ++p) {
      wrapped_->data[p] = const_cast<uint8_t*>(f.Plane(p));
      wrapped_->linesize[p] = static_cast<int>(f.Stride(p));
    }
    wrapped_->pts = index;
    try {
      Send(video_, videoStream_, wrapped_);
    } catch (...) {
      av_frame_unref(wrapped_);
      throw;
    }
    av_frame_unref(wrapped_);
  }

  static void ReleaseHeldFrame(void* opaque, uint8_t*) { delete static_cast<FramePtr*>(opaque); }

  // Sends a frame (null: the end) and writes every packet it gives.
  void Send(AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    int sent = avcodec_send_frame(codec, frame);
    if (sent < 0) throw TandemixError("The encoder failed: " + AvError(sent));
    for (;;) {
      const int got = avcodec_receive_packet(codec, packet_);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
      if (got < 0) throw TandemixError("The encoder failed: " + AvError(got));
      av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
      packet_->stream_index = stream->index;
      const int written = av_interleaved_write_frame(format_, packet_);
      if (written < 0) throw TandemixError("Cannot write " + path_ + ": " + AvError(written));
    }
  }

  // Fetches the clip's samples up to `end` (its own numbering), converts
  // them, and encodes every whole encoder frame.
  void EncodeAudioUpTo(int64_t end) {
    const engine::AudioInfo& a = info_.audio;
    constexpr int64_t kChunk = 8192;
    while (nextSample_ < end) {
      const int64_t count = std::min(kChunk, end - nextSample_);
      raw_.resize(static_cast<std::size_t>(count * a.BytesPerSample()));
      clip_->GetAudio(raw_.data(), nextSample_, count);
      nextSample_ += count;
      const uint8_t* input = raw_.data();
      if (a.sampleType == SampleType::Int24) {
        wide_.resize(static_cast<std::size_t>(count * a.channels));
        for (std::size_t i = 0; i < wide_.size(); ++i) {
          const uint8_t* s = raw_.data() + i * 3;
          wide_[i] = static_cast<int32_t>(static_cast<uint32_t>(s[0]) << 8 | static_cast<uint32_t>(s[1]) << 16 |
                                          static_cast<uint32_t>(s[2]) << 24);
        }
        input = reinterpret_cast<const uint8_t*>(wide_.data());
      }
      Convert(&input, static_cast<int>(count));
      EncodeWholeFrames(false);
    }
  }

  void Convert(const uint8_t** input, int count) {
    const int room = swr_get_out_samples(swr_, count);
    if (room <= 0) return;
    uint8_t** converted = nullptr;
    if (av_samples_alloc_array_and_samples(&converted, nullptr, audio_->ch_layout.nb_channels, room, audio_->sample_fmt,
                                           0) < 0)
      throw TandemixError("Out of memory");
    const int made = swr_convert(swr_, converted, room, input, count);
    if (made > 0) av_audio_fifo_write(fifo_, reinterpret_cast<void**>(converted), made);
    av_freep(&converted[0]);
    av_freep(&converted);
    if (made < 0) throw TandemixError("Cannot convert the sound: " + AvError(made));
  }

  void EncodeWholeFrames(bool last) {
    while (av_audio_fifo_size(fifo_) >= frameSamples_ || (last && av_audio_fifo_size(fifo_) > 0)) {
      const int n = std::min(frameSamples_, av_audio_fifo_size(fifo_));
      av_frame_unref(audioFrame_);
      audioFrame_->nb_samples = n;
      audioFrame_->format = audio_->sample_fmt;
      audioFrame_->sample_rate = audio_->sample_rate;
      av_channel_layout_copy(&audioFrame_->ch_layout, &audio_->ch_layout);
      if (av_frame_get_buffer(audioFrame_, 0) < 0) throw TandemixError("Out of memory");
      av_audio_fifo_read(fifo_, reinterpret_cast<void**>(audioFrame_->data), n);
      audioFrame_->pts = audioPts_;
      audioPts_ += n;
      Send(audio_, audioStream_, audioFrame_);
    }
  }

  void FinishAudio() {
    Convert(nullptr, 0);  // what the resampler holds back
    EncodeWholeFrames(true);
    Send(audio_, audioStream_, nullptr);
  }

  engine::ClipPtr clip_;
  engine::ClipInfo info_;
  std::string scriptName_;
  std::string path_;
  RenderSettings settings_;
  Layout layout_;
  Container container_ = Container::MKV;
  FramePlan plan_;
  int frames_ = 0;
  RenderResult result_;
  std::string temp_;

  AVFormatContext* format_ = nullptr;
  AVCodecContext* video_ = nullptr;
  AVCodecContext* audio_ = nullptr;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  AVFrame* videoFrame_ = nullptr;
  AVFrame* audioFrame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* sws_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVAudioFifo* fifo_ = nullptr;
  bool direct_ = false;
  AVFrame* wrapped_ = nullptr;  // an engine frame lent to the encoder
  int frameSamples_ = 1024;
  int64_t nextSample_ = 0;
  int64_t audioPts_ = 0;
  std::vector<uint8_t> raw_;
  std::vector<int32_t> wide_;

  // One frame made ahead of the one encoded: x264 runs its own threads,
  // so a deeper queue only holds more frames outside the engine's pools.
  FrameQueue queue_{1};
  std::thread producer_;
};

}  // namespace

RenderResult RenderClip(const engine::ClipPtr& clip, const std::string& scriptName, const std::string& path,
                        const RenderSettings& settings, Layout layout, const ProgressCallback& progress,
                        const std::atomic<bool>* cancel) {
  av_log_set_level(AV_LOG_QUIET);
  Renderer renderer(clip, scriptName, path, settings, layout);
  return renderer.Run(progress, cancel);
}

RenderResult RenderScript(const std::string& script, const std::string& path, const RenderSettings& settings,
                          const ProgressCallback& progress, const std::atomic<bool>* cancel) {
  // The settings are checked before the script runs: a wrong name costs nothing.
  const std::string problem = CheckSettings(path, settings);
  if (!problem.empty()) throw TandemixError(problem);
  const engine::ClipPtr clip = engine::OpenScript(script);
  Layout layout = settings.layout;
  if (layout == Layout::Auto) {
    layout = LayoutOfScript(JoinLinesCrLf(ReadTextLines(script)));
  }
  return RenderClip(clip, script, path, settings, layout, progress, cancel);
}

}  // namespace tandemix::render

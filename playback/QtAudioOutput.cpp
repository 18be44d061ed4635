#include "playback/QtAudioOutput.h"

#include "base/Errors.h"

#include <QAbstractEventDispatcher>
#include <QAudioSink>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMediaDevices>
#include <algorithm>

namespace tandemix {
namespace {

// Room in the device's queue: enough to ride out a busy moment, short
// enough that pause and seek answer at once.
constexpr int kBufferMs = 200;

QAudioFormat QtFormatOf(const AudioDeviceFormat& format) {
  QAudioFormat q;
  q.setSampleRate(format.sampleRate);
  q.setChannelCount(format.channels);
  q.setSampleFormat(format.sampleFormat == DeviceSampleFormat::Int16 ? QAudioFormat::Int16 : QAudioFormat::Float);
  return q;
}

}  // namespace

QtAudioOutput::QtAudioOutput() = default;

QtAudioOutput::~QtAudioOutput() { Close(); }

AudioDeviceFormat QtAudioOutput::Open(int sampleRate, int channels) {
  Close();
  // Asked only when a clip with sound plays: a silent clip never wakes the
  // sound system (nor its complaints when there is none).
  if (!QCoreApplication::instance()) throw TandemixError("no audio output without a Qt application");
  device_ = QMediaDevices::defaultAudioOutput();
  if (device_.isNull()) throw TandemixError("no audio output device");
  // The clip's own rate and channels as floating point or 16-bit samples
  // when the device takes them, else the device's preferred format (the
  // converter then changes rate and channels too).
  AudioDeviceFormat format{sampleRate, channels, DeviceSampleFormat::Float};
  if (!device_.isFormatSupported(QtFormatOf(format))) {
    format.sampleFormat = DeviceSampleFormat::Int16;
    if (!device_.isFormatSupported(QtFormatOf(format))) {
      const QAudioFormat preferred = device_.preferredFormat();
      format = {preferred.sampleRate(), std::min(preferred.channelCount(), 2), DeviceSampleFormat::Float};
      if (!device_.isFormatSupported(QtFormatOf(format))) format.sampleFormat = DeviceSampleFormat::Int16;
    }
  }
  if (!QAbstractEventDispatcher::instance()) events_ = std::make_unique<QEventLoop>();
  sink_ = std::make_unique<QAudioSink>(device_, QtFormatOf(format));
  sink_->setBufferSize(static_cast<qsizetype>(format.BytesPerFrame()) * format.sampleRate * kBufferMs / 1000);
  io_ = sink_->start();
  if (!io_ || sink_->error() != QAudio::NoError) {
    const std::string name = device_.description().toStdString();
    Close();
    throw TandemixError("the audio device " + name + " cannot be opened");
  }
  format_ = format;
  written_ = 0;
  return format;
}

void QtAudioOutput::Close() {
  if (sink_) sink_->stop();
  sink_.reset();
  events_.reset();
  io_ = nullptr;
  written_ = 0;
}

void QtAudioOutput::Reset() {
  if (!sink_) return;
  sink_->reset();
  io_ = sink_->start();
  written_ = 0;
}

std::int64_t QtAudioOutput::Writable() {
  if (!sink_ || !io_) return 0;
  // The sink's timers and state changes arrive as events of this thread.
  QCoreApplication::processEvents();
  // The queue is kept at kBufferMs ahead of what the device has played.
  // (QAudioSink's bytesFree() is no guide in push mode: on PulseAudio it
  // stays at 0 once the first request is met, while writes still go in.)
  const std::int64_t queued = written_ - Played();
  return std::max<std::int64_t>(std::int64_t{format_.sampleRate} * kBufferMs / 1000 - queued, 0);
}

std::int64_t QtAudioOutput::Write(const void* samples, std::int64_t frames) {
  if (!io_ || frames <= 0) return 0;
  const qint64 bytes = io_->write(static_cast<const char*>(samples), frames * format_.BytesPerFrame());
  const std::int64_t taken = bytes > 0 ? bytes / format_.BytesPerFrame() : 0;
  written_ += taken;
  return taken;
}

std::int64_t QtAudioOutput::Played() {
  if (!sink_) return 0;
  // What the device reports as played (on PulseAudio the stream's playback
  // time, latency included), never more than was written.
  const std::int64_t played = sink_->processedUSecs() * format_.sampleRate / 1000000;
  return std::clamp<std::int64_t>(played, 0, written_);
}

}  // namespace tandemix

// The sound device of the window program: Qt Multimedia's QAudioSink on the
// system's default output, fed by writes (push mode). Made on any thread,
// then used from the player's sound thread only, which asks Qt for the
// device at the first Open. Without a Qt application or without an output
// device it does not open, and says why.
#pragma once

#include <QAudioDevice>
#include <memory>

#include "playback/AudioOutput.h"

class QAudioSink;
class QEventLoop;
class QIODevice;

namespace tandemix {

class QtAudioOutput : public AudioOutput {
 public:
  QtAudioOutput();
  ~QtAudioOutput() override;

  AudioDeviceFormat Open(int sampleRate, int channels) override;
  void Close() override;
  void Reset() override;
  std::int64_t Writable() override;
  std::int64_t Write(const void* samples, std::int64_t frames) override;
  std::int64_t Played() override;

 private:
  QAudioDevice device_;
  // Gives the using thread an event queue while the device is open: the
  // sink starts timers there and reports its state through it.
  std::unique_ptr<QEventLoop> events_;
  std::unique_ptr<QAudioSink> sink_;
  QIODevice* io_ = nullptr;
  AudioDeviceFormat format_;
  std::int64_t written_ = 0;  // frames since Open or Reset
};

}  // namespace tandemix

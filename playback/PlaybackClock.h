// Where playback is, in seconds from the clip's start. Without sound it runs
// on the player's time from the moment play starts. With sound the device
// leads: each report of how far it has played moves the clock there, and
// the player's time only fills in between reports while the device keeps
// advancing. A device that stops advancing (an underrun, a stalled server)
// holds the picture back for a moment, then the player's time takes over,
// so the picture never freezes for good.
//
// Thread-safe: the audio thread reports while the picture thread reads.
#pragma once

#include <cstdint>
#include <mutex>

namespace tandemix {

// The first sample (per channel) of frame `frame` at `sampleRate`, for a clip
// of rateNumerator / rateDenominator frames a second:
// frame * sampleRate * rateDenominator / rateNumerator, rounded down, in 64
// bits (through floating point only where the product would not fit).
std::int64_t SampleOfFrame(std::int64_t frame, int sampleRate, int rateNumerator, int rateDenominator);

// The moment frame `frame` is due, in seconds from the clip's start.
double SecondsOfFrame(std::int64_t frame, int rateNumerator, int rateDenominator);

class PlaybackClock {
 public:
  // How long the player's time may carry the clock past the device's last
  // report, and how long a device may stand still before the player's time
  // takes over again.
  static constexpr double kMaxLead = 0.1;
  static constexpr double kStallLimit = 0.5;

  // Playback starts at `position` at time `now`, on the player's time.
  void Start(double position, double now);
  // The device has played up to `position` at `now`: from here on the sound
  // leads, until the next Start.
  void SoundAt(double position, double now);
  // The position at `now`; it never goes back between two Starts.
  double Position(double now) const;
  bool SoundLeads() const;

 private:
  mutable std::mutex mutex_;
  double anchorPosition_ = 0;  // last known position ...
  double anchorTime_ = 0;      // ... and when it was so
  double progressTime_ = 0;    // when the device was last seen advancing
  bool sound_ = false;
  bool advancing_ = false;  // the last report moved the position on
  mutable double lastPosition_ = 0;
};

}  // namespace tandemix

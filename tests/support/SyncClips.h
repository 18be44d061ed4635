// Clip pairs with a known frame offset, cut at test time from one generated
// scene: loud-and-soft pink noise for the sound, its waveform drawn as the
// picture (so the motion follows the sound's irregular loudness).
#pragma once

#include <string>

#include "tests/support/TestFiles.h"

namespace tandemix::test {

struct SyncClipOptions {
  bool sound = true;
  std::string soundFilter;  // appended to the clip's sound chain, e.g. ",volume=-12dB"
  bool addNoise = false;    // white noise mixed into the sound
  int frames = 200;         // at 25 frames a second
};

// The clip that starts `start` frames into the scene.
inline bool MakeSyncClip(const std::string& path, int start, const SyncClipOptions& o = {}) {
  const std::string s = std::to_string(start * 1920), e = std::to_string((start + o.frames) * 1920);
  std::string graph =
      "[0:a]asplit[a1][a2];[a2]showwaves=s=160x90:mode=cline:rate=25,trim=start_frame=" + std::to_string(start) +
      ":end_frame=" + std::to_string(start + o.frames) + ",setpts=PTS-STARTPTS[v];[a1]atrim=start_sample=" + s +
      ":end_sample=" + e + ",asetpts=PTS-STARTPTS" + o.soundFilter;
  if (o.addNoise)
    graph += "[q];anoisesrc=color=white:amplitude=0.3:seed=99:sample_rate=48000[n];[q][n]amix=inputs=2:duration=first";
  graph += o.sound ? "[a]" : ",anullsink";
  std::vector<std::string> args = {"-hide_banner",
                                   "-loglevel",
                                   "error",
                                   "-y",
                                   "-f",
                                   "lavfi",
                                   "-i",
                                   "anoisesrc=color=pink:sample_rate=48000:seed=5:duration=16,"
                                   "volume='0.15+0.85*abs(sin(t*1.7)*sin(t*0.37+1))':eval=frame",
                                   "-filter_complex",
                                   graph,
                                   "-map",
                                   "[v]"};
  if (o.sound) {
    args.insert(args.end(), {"-map", "[a]", "-c:a", "pcm_s16le"});
  }
  args.insert(args.end(), {"-c:v", "mpeg4", "-q:v", "4", path});
  return RunProgram("ffmpeg", args).exitCode == 0 && FileExists(path);
}

}  // namespace tandemix::test

#include "app/cli/Commands.h"

#include <cstdio>
#include <map>

namespace tandemix::cli {

void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: tandemix-cli COMMAND [ARGUMENTS]\n"
      "\n"
      "Commands:\n"
      "  generate OUTPUT.avs [--project FILE.avp] [--left FILE] [--right FILE]\n"
      "           [--stereo] [--convert-before] [--file-type avi|video|picture|custom]\n"
      "           [--templates DIR] [--offset N]\n"
      "           [--scale-left PCT] [--scale-right PCT] [--angle-left DEG] [--angle-right DEG]\n"
      "           [--shift-h N] [--shift-v N] [--auto-crop] [--swap] [--final-size WxH]\n"
      "           [--slider-a VALUE] [--slider-b VALUE]\n"
      "      Writes the scripts of a project, as \"Open preview\" does, and prints\n"
      "      each file written, then \"size W H\" of the output script; when the\n"
      "      output script does not open, says why (as the viewer does) and exits 1.\n"
      "  info FILE\n"
      "      Prints \"W H FRAMES RATE\" of a media file or script.\n"
      "  info --audio FILE\n"
      "      Prints \"RATE CHANNELS TYPE SAMPLES\" of the sound of a media file or\n"
      "      script (TYPE as AviSynth names it: 8bit, 16bit, 24bit, 32bit, float),\n"
      "      or \"none\".\n"
      "  info --layout FILE\n"
      "      Prints the stereo layout of a clip and how it is known, e.g.\n"
      "      \"sbs-left-first metadata\", \"ou name\", \"sbs picture\" or \"mono\".\n"
      "  grab FILE N OUT.bmp\n"
      "      Captures frame N of a media file or script into a 24-bit bitmap.\n"
      "  serve SCRIPT.avs [--start N] [--count N]\n"
      "      Writes the script's frames to standard output as YUV4MPEG2.\n"
      "  render SCRIPT.avs OUT.mkv|.mp4|.mov|.avi [--video h264|h265|av1|ffv1] [--crf N]\n"
      "         [--preset NAME] [--audio aac|opus|flac|pcm|none] [--audio-bitrate K]\n"
      "         [--layout auto|sbs|sbs-half|sbs-cross|ou|ou-half|ou-cross|rows|anaglyph|mono|none]\n"
      "         [--start N] [--count N] [--keep-size]\n"
      "      Encodes the script with its sound into a movie file (H.264 CRF 18 and\n"
      "      AAC 192 kb/s unless told), tagging the 3D layout (auto: from the Output\n"
      "      template) where the container has a place for it. An odd size gets one\n"
      "      black column or row for 4:2:0; --keep-size encodes 4:4:4 instead.\n"
      "  wav SCRIPT OUT.wav [--16bit]\n"
      "      Writes the sound of a script or media file as a WAV file, in its own\n"
      "      sample type or in 16-bit.\n"
      "  compose LEFT.bmp RIGHT.bmp OUT.bmp [--shift-h N] [--shift-v N]\n"
      "          [--scale-left PCT] [--scale-right PCT] [--angle-left DEG] [--angle-right DEG]\n"
      "          [--auto-crop] [--swap] [--show left|right|output]\n"
      "          [--preview redcyan|optimised|blend|dubois-redcyan|dubois-greenmagenta|\n"
      "                     dubois-amberblue]\n"
      "      Composes the still-frame alignment preview of two captured frames.\n"
      "  align LEFT RIGHT [--frame N | --frames N] [--window near|median|far]\n"
      "        [--split-tilt] [--auto-crop] [--swap] [--report] [--screen-width M]\n"
      "        [--near-budget PCT]\n"
      "      Proposes tilt, scale and shifts from matched features of two pictures,\n"
      "      clips or scripts (the middle frame unless told), printed as the options\n"
      "      of generate and compose, then what was found on a second line. --report\n"
      "      adds the depth: the near, median and far parallax (2, 50 and 98 %\n"
      "      percentiles; negative in front of the screen) and warnings when the far\n"
      "      points would make the eyes diverge on a screen M metres wide (2 unless\n"
      "      told), the near ones pass PCT % of the width (2) or the frame edge cuts\n"
      "      something in front of the screen. --swap: the pair is shown with its\n"
      "      views exchanged (as generate --swap does); the window and the depth\n"
      "      follow the parallax as it is seen then.\n"
      "  depth LEFT RIGHT [--samples N] [--max-scenes N] [--auto-crop] [--swap]\n"
      "        [--screen-width M] [--near-budget PCT]\n"
      "      Finds the scene cuts of a clip pair (N sampled frames, 300 unless told),\n"
      "      aligns the pair on a frame of every scene and prints the depth of the\n"
      "      whole and one line per scene with its near and far parallax.\n"
      "  sync LEFT RIGHT [--max-offset SECONDS]\n"
      "      Finds the frame offset of the right clip against the left one by their\n"
      "      sound, or by their motion without sound; generate --offset takes it.\n"
      "\n"
      "Numbers on the command line always use a point.\n",
      out);
}

int Run(const Args& args) {
  if (args.empty()) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string& command = args[0];
  const Args rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (command == "generate") return Generate(rest);
  if (command == "info") return Info(rest);
  if (command == "grab") return Grab(rest);
  if (command == "serve") return Serve(rest);
  if (command == "render") return Render(rest);
  if (command == "compose") return Compose(rest);
  if (command == "align") return Align(rest);
  if (command == "sync") return Sync(rest);
  if (command == "depth") return Depth(rest);
  if (command == "wav") return Wav(rest);
  std::fprintf(stderr, "tandemix-cli: unknown command '%s'\n", command.c_str());
  PrintUsage(stderr);
  return 2;
}

}  // namespace tandemix::cli

// Which stereo layout a clip holds, and how that is known: what the file
// declares (Matroska's StereoMode, FFmpeg's stereo-3D side data), then a
// name suffix (_sbs, -hsbs, _tab, _ou, -3d-sbs, ...), then the picture
// itself (the halves of a side-by-side or over/under frame correlate far
// better than any other split).
#pragma once

#include <optional>
#include <string>

#include <vector>

#include "base/Frame.h"
#include "base/ViewLayout.h"
#include "platform/VideoServices.h"

namespace tandemix {

enum class LayoutEvidence { Metadata, Name, Picture, Nothing };

struct StereoLayout {
  // Mono, SideBySide or OverUnder, or their Cross forms (right view first),
  // which only a declaration tells.
  ViewLayout arrangement = ViewLayout::Mono;
  LayoutEvidence evidence = LayoutEvidence::Nothing;

  // "sbs-left-first metadata", "ou name", "sbs picture", "mono".
  std::string Text() const;
  // The starter template that splits this layout into two views, or
  // nullopt for a single view and for right-first layouts (none splits
  // those).
  std::optional<std::string> SplitTemplate() const;
};

std::optional<StereoLayout> LayoutFromName(const std::string& path);
std::optional<StereoLayout> LayoutFromPicture(const FrameBGR& frame);

// Reads the declaration, the name, then the middle frame. A file that
// cannot be opened or decoded is reported as mono.
StereoLayout DetectStereoLayout(const std::string& path, VideoServices& video);

}  // namespace tandemix

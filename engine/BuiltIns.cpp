#include "engine/BuiltIns.h"

#include "engine/filters/FilterFamilies.h"
#include "engine/filters/PlanarRgb.h"

namespace tandemix::engine {

namespace {

// Families that pick, join and time frames without reading their pixels,
// the language's own functions, and the families whose every filter works
// on each plane as it lies (crops and borders, resizers, flips and stacks,
// fades) take planar RGB as they are. Of the other families that work on
// pixels, these filters work on planar RGB too, or refuse it in their own
// words:
constexpr std::string_view kPlanarRgbFilters[] = {
    "BlankClip",
    "ColorBars",
    "ConditionalFilter",
    "ConditionalSelect",
    "FrameEvaluate",
    "ScriptClip",
    "TurnLeft",
    "TurnRight",
    "Turn180",
    "ReduceBy2",
    "HorizontalReduceBy2",
    "VerticalReduceBy2",
    "Letterbox",
    "SkewRows",
    "Merge",
    "Levels",
    "Blur",
    "Sharpen",
    "GeneralConvolution",
    "TemporalSoften",
    "SpatialSoften",
    "SeparateFields",
    "Weave",
    "DoubleWeave",
    "SwapFields",
    "Bob",
    "AssumeTFF",
    "AssumeBFF",
    "ComplementParity",
    "AssumeFrameBased",
    "AssumeFieldBased",
    "Subtract",
    "Tweak",
    "ColorYUV",
    "Limiter",
    "FixBrokenChromaUpsampling",
    "FixLuminance",
    "SwapUV",
    "UToY",
    "VToY",
    "UToY8",
    "VToY8",
    "MergeLuma",
    "MergeChroma",
    "ExtractR",
    "ExtractG",
    "ExtractB",
    "ExtractA",
    "ExtractY",
    "ExtractU",
    "ExtractV",
    "PlaneToY",
    "ShowRed",
    "ShowGreen",
    "ShowBlue",
    "ShowAlpha",
    "ShowY",
    "ShowU",
    "ShowV",
    "CombinePlanes",
    "YToUV",
    "Expr",
    "MergeRGB",
};

// And these through the packed RGB with the same bytes (PlanarRgb.h):
// AviSynth's results on planar RGB are the packed ones' bytes for them.
constexpr std::string_view kViaPackedRgbFilters[] = {
    "Overlay",         "Layer",     "Mask",      "ResetMask", "ColorKeyMask", "AddAlphaPlane", "RemoveAlphaPlane",
    "MergeARGB",       "Greyscale", "Grayscale", "Invert",    "RGBAdjust",    "Subtitle",      "Text",
    "ShowFrameNumber", "ShowSMPTE", "ShowTime",  "Info",
};

// Marks the filters above as taking planar RGB.
FunctionTable WithPlanarRgb(FunctionTable t) {
  for (std::string_view name : kPlanarRgbFilters) t.TakePlanarRgb({name});
  for (std::string_view name : kViaPackedRgbFilters) t.TakePlanarRgb(name, ViaPackedRgb);
  return t;
}

}  // namespace

const FunctionTable& BuiltInFunctions() {
  static const FunctionTable table = WithPlanarRgb([] {
    FunctionTable t;
    t.SetPlanarRgbDefault(false);
    RegisterSourceFunctions(t);
    RegisterGeneratorFunctions(t);
    t.SetPlanarRgbDefault(true);
    RegisterEditFunctions(t);
    RegisterTimeFunctions(t);
    RegisterFadeFunctions(t);
    RegisterToneFunctions(t);
    RegisterCropFunctions(t);
    RegisterResizeFunctions(t);
    t.SetPlanarRgbDefault(false);
    RegisterZoomFunctions(t);
    t.SetPlanarRgbDefault(true);
    RegisterStackFunctions(t);
    t.SetPlanarRgbDefault(false);
    RegisterFieldFunctions(t);
    RegisterGeometryFunctions(t);
    RegisterConvolutionFunctions(t);
    RegisterColorFunctions(t);
    RegisterPlaneFunctions(t);
    RegisterLevelsFunctions(t);
    RegisterColorYUVFunctions(t);
    t.SetPlanarRgbDefault(true);
    RegisterFormatFunctions(t);
    RegisterScalarFunctions(t);
    RegisterStringFunctions(t);
    RegisterScriptFunctions(t);
    RegisterAudioFunctions(t);
    RegisterAudioLevelFunctions(t);
    RegisterResampleAudioFunctions(t);
    t.SetPlanarRgbDefault(false);
    RegisterRuntimeFunctions(t);
    RegisterWriteFileFunctions(t);
    RegisterConditionalReaderFunctions(t);
    t.SetPlanarRgbDefault(true);
    RegisterAnimateFunctions(t);
    t.SetPlanarRgbDefault(false);
    RegisterTextFunctions(t);
    RegisterOverlayFunctions(t);
    RegisterLayerFunctions(t);
    RegisterExprFunctions(t);
    RegisterChromaRepairFunctions(t);
    RegisterHistogramFunctions(t);
    RegisterHueMaskFunctions(t);
    RegisterCompareFunctions(t);
    return t;
  }());
  return table;
}

}  // namespace tandemix::engine

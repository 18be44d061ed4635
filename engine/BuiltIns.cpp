#include "engine/BuiltIns.h"

#include "engine/filters/FilterFamilies.h"

namespace tandemix::engine {

namespace {

// Families that pick, join and time frames without reading their pixels,
// and the language's own functions, take planar RGB as they are; of the
// families that work on pixels, these filters work on planar RGB (or refuse
// it in their own words).
constexpr std::string_view kPlanarRgbFilters[] = {
    "BlankClip", "ColorBars", "ConditionalFilter", "ConditionalSelect", "FrameEvaluate", "ScriptClip",
};

}  // namespace

const FunctionTable& BuiltInFunctions() {
  static const FunctionTable table = [] {
    FunctionTable t;
    t.SetPlanarRgbDefault(false);
    RegisterSourceFunctions(t);
    RegisterGeneratorFunctions(t);
    t.SetPlanarRgbDefault(true);
    RegisterEditFunctions(t);
    RegisterTimeFunctions(t);
    t.SetPlanarRgbDefault(false);
    RegisterFadeFunctions(t);
    t.SetPlanarRgbDefault(true);
    RegisterToneFunctions(t);
    t.SetPlanarRgbDefault(false);
    RegisterCropFunctions(t);
    RegisterResizeFunctions(t);
    RegisterZoomFunctions(t);
    RegisterStackFunctions(t);
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
    for (std::string_view name : kPlanarRgbFilters) t.TakePlanarRgb({name});
    return t;
  }();
  return table;
}

}  // namespace tandemix::engine

#include "engine/BuiltIns.h"

#include "engine/filters/FilterFamilies.h"

namespace tandemix::engine {

const FunctionTable& BuiltInFunctions() {
  static const FunctionTable table = [] {
    FunctionTable t;
    RegisterSourceFunctions(t);
    RegisterGeneratorFunctions(t);
    RegisterEditFunctions(t);
    RegisterTimeFunctions(t);
    RegisterFadeFunctions(t);
    RegisterToneFunctions(t);
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
    RegisterFormatFunctions(t);
    RegisterScalarFunctions(t);
    RegisterStringFunctions(t);
    RegisterScriptFunctions(t);
    RegisterAudioFunctions(t);
    RegisterAudioLevelFunctions(t);
    RegisterResampleAudioFunctions(t);
    RegisterRuntimeFunctions(t);
    RegisterWriteFileFunctions(t);
    RegisterConditionalReaderFunctions(t);
    RegisterAnimateFunctions(t);
    RegisterTextFunctions(t);
    RegisterOverlayFunctions(t);
    RegisterLayerFunctions(t);
    RegisterExprFunctions(t);
    RegisterChromaRepairFunctions(t);
    RegisterHistogramFunctions(t);
    RegisterHueMaskFunctions(t);
    return t;
  }();
  return table;
}

}  // namespace tandemix::engine

// The filter families, each in its own file, each adding its functions to
// the table.
#pragma once

#include "engine/language/Functions.h"

namespace tandemix::engine {

void RegisterSourceFunctions(FunctionTable& table);
void RegisterGeneratorFunctions(FunctionTable& table);
void RegisterEditFunctions(FunctionTable& table);
void RegisterTimeFunctions(FunctionTable& table);
void RegisterFadeFunctions(FunctionTable& table);
void RegisterToneFunctions(FunctionTable& table);
void RegisterCropFunctions(FunctionTable& table);
void RegisterResizeFunctions(FunctionTable& table);
void RegisterZoomFunctions(FunctionTable& table);
void RegisterStackFunctions(FunctionTable& table);
void RegisterFieldFunctions(FunctionTable& table);
void RegisterGeometryFunctions(FunctionTable& table);
void RegisterConvolutionFunctions(FunctionTable& table);
void RegisterColorFunctions(FunctionTable& table);
void RegisterPlaneFunctions(FunctionTable& table);
void RegisterLevelsFunctions(FunctionTable& table);
void RegisterColorYUVFunctions(FunctionTable& table);
void RegisterFormatFunctions(FunctionTable& table);
void RegisterAudioFunctions(FunctionTable& table);
void RegisterAudioLevelFunctions(FunctionTable& table);
void RegisterResampleAudioFunctions(FunctionTable& table);
void RegisterRuntimeFunctions(FunctionTable& table);
void RegisterWriteFileFunctions(FunctionTable& table);
void RegisterConditionalReaderFunctions(FunctionTable& table);
void RegisterAnimateFunctions(FunctionTable& table);
void RegisterTextFunctions(FunctionTable& table);
void RegisterOverlayFunctions(FunctionTable& table);
void RegisterLayerFunctions(FunctionTable& table);
void RegisterExprFunctions(FunctionTable& table);
void RegisterChromaRepairFunctions(FunctionTable& table);
void RegisterHistogramFunctions(FunctionTable& table);
void RegisterHueMaskFunctions(FunctionTable& table);
void RegisterCompareFunctions(FunctionTable& table);

}  // namespace tandemix::engine

// Command dispatch of tandemix-cli. Each command returns the exit status:
// 0 on success, 1 on failure (the message went to standard error), 2 on a
// usage error.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tandemix::cli {

using Args = std::vector<std::string>;

int Run(const Args& args);

// The commands, each given the arguments after its name.
int Generate(const Args& args);  // GenerateCommand.cpp
int Info(const Args& args);      // InfoCommand.cpp
int Grab(const Args& args);      // GrabCommand.cpp
int Serve(const Args& args);     // ServeCommand.cpp
int Render(const Args& args);    // RenderCommand.cpp
int Compose(const Args& args);   // ComposeCommand.cpp
int Align(const Args& args);     // AlignCommand.cpp
int Sync(const Args& args);      // SyncCommand.cpp
int Depth(const Args& args);     // DepthCommand.cpp
int Wav(const Args& args);       // WavCommand.cpp

void PrintUsage(std::FILE* out);

}  // namespace tandemix::cli

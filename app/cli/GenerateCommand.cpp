#include <cstdio>

#include "app/cli/Commands.h"

namespace tandemix::cli {

int Generate(const Args&) {
  std::fputs("generate: not built yet\n", stderr);
  return 1;
}

}  // namespace tandemix::cli

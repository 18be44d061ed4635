#include <cstdio>

#include "app/cli/Commands.h"

namespace tandemix::cli {

int Grab(const Args&) {
  std::fputs("grab: not built yet\n", stderr);
  return 1;
}

}  // namespace tandemix::cli

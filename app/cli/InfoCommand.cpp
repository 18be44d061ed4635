#include <cstdio>

#include "app/cli/Commands.h"

namespace tandemix::cli {

int Info(const Args&) {
  std::fputs("info: not built yet\n", stderr);
  return 1;
}

}  // namespace tandemix::cli

#include <cstdio>

#include "app/cli/Commands.h"

namespace tandemix::cli {

int Compose(const Args&) {
  std::fputs("compose: not built yet\n", stderr);
  return 1;
}

}  // namespace tandemix::cli

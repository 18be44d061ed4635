#include <cstdio>

#include "app/cli/Commands.h"

namespace tandemix::cli {

int Serve(const Args&) {
  std::fputs("serve: not built yet\n", stderr);
  return 1;
}

}  // namespace tandemix::cli

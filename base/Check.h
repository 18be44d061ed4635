// The answer of a check made before an action: passed, or refused with the
// reason in the user's words. The actions themselves throw TandemixError;
// a check lets a window say why before it starts one, and lets the action
// refuse with the same words (OrThrow).
#pragma once

#include <string>
#include <utility>

#include "base/Errors.h"

namespace tandemix {

class [[nodiscard]] Check {
 public:
  Check() = default;  // passed
  static Check Refused(std::string why) {
    Check check;
    check.refused_ = true;
    check.why_ = std::move(why);
    return check;
  }

  bool Passed() const { return !refused_; }
  const std::string& Why() const { return why_; }  // "" when passed
  // Throws TandemixError with the reason when refused.
  void OrThrow() const {
    if (refused_) throw TandemixError(why_);
  }

 private:
  bool refused_ = false;
  std::string why_;
};

}  // namespace tandemix

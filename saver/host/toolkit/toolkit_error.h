// How the saver's toolkit reports a failed operation: by throwing
// ToolkitError.  Event handlers run their steps through runSteps
// (step_runner.h), which skips a failing step and goes on.
#pragma once

#include <stdexcept>
#include <string>

namespace tumbleview {

class ToolkitError : public std::runtime_error {
 public:
  explicit ToolkitError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace tumbleview

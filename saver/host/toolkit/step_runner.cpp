#include "step_runner.h"

#include <exception>

namespace tumbleview {

bool runStep(const Step& step) {
  try {
    step();
    return true;
  } catch (const std::exception&) {
    // Skipped without a word: the handler goes on with its next step.
    return false;
  }
}

int runSteps(std::initializer_list<Step> steps) {
  int failed = 0;
  for (const Step& step : steps) {
    if (!runStep(step)) ++failed;
  }
  return failed;
}

}  // namespace tumbleview

// Event handlers of the saver run their steps so that a step that fails is
// skipped and the next one still runs, without a message.  This is the one
// place that does so; handlers list their steps instead of wrapping each
// line in its own try/catch.
//
// A step "fails" by throwing an exception derived from std::exception (the
// toolkit's operations throw ToolkitError).  Anything else is a programming
// error and is not swallowed.
#pragma once

#include <functional>
#include <initializer_list>

namespace tumbleview {

using Step = std::function<void()>;

// Runs every step in order; a step that throws is abandoned at that point and
// the next step runs.  Returns how many steps failed (0 when all ran through).
int runSteps(std::initializer_list<Step> steps);

// Runs one step the same way; true when it ran through.
bool runStep(const Step& step);

}  // namespace tumbleview

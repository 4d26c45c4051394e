// The one seam through which the renderer's messages reach the user.  The
// program installs a reporter that shows a blocking box titled "Error";
// tests install one that records the texts.  Until one is installed the
// messages go to standard error.
#pragma once

#include <functional>
#include <string>

namespace tumbleview {

using ErrorReporter = std::function<void(const std::string& message)>;

// Installs `reporter` and returns the one it replaces.  An empty reporter
// restores the standard-error default.
ErrorReporter setErrorReporter(ErrorReporter reporter);

// Hands `message` to the installed reporter; returns when it has been shown
// (for a message box: when the user dismissed it).
void reportError(const std::string& message);

}  // namespace tumbleview

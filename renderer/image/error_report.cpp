#include "error_report.h"

#include <cstdio>
#include <utility>

namespace tumbleview {
namespace {

ErrorReporter& installed() {
  static ErrorReporter reporter;
  return reporter;
}

}  // namespace

ErrorReporter setErrorReporter(ErrorReporter reporter) {
  return std::exchange(installed(), std::move(reporter));
}

void reportError(const std::string& message) {
  if (const ErrorReporter& reporter = installed()) {
    reporter(message);
    return;
  }
  std::fputs(message.c_str(), stderr);
  if (message.empty() || message.back() != '\n') std::fputc('\n', stderr);
}

}  // namespace tumbleview

#include "error_report.h"

#include <cstdio>
#include <utility>

namespace tumbleview {
namespace {

ErrorReporter& Installed() {
  static ErrorReporter reporter;
  return reporter;
}

}  // namespace

ErrorReporter SetErrorReporter(ErrorReporter reporter) {
  return std::exchange(Installed(), std::move(reporter));
}

void ReportError(const std::string& message) {
  if (const ErrorReporter& reporter = Installed()) {
    reporter(message);
    return;
  }
  std::fputs(message.c_str(), stderr);
  if (message.empty() || message.back() != '\n') std::fputc('\n', stderr);
}

}  // namespace tumbleview

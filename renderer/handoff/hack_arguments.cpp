#include "hack_arguments.h"

#include <charconv>
#include <limits>
#include <string_view>

namespace tumbleview {
namespace {

constexpr std::string_view kRoot = "root";
constexpr std::string_view kWindowId = "window-id";
constexpr std::string_view kDelay = "delay";
constexpr std::string_view kFps = "fps";
constexpr std::string_view kNoFps = "no-fps";

// The option's name without its one or two leading dashes; empty for
// anything that is not an option.
std::string_view optionName(std::string_view argument) {
  if (argument.starts_with("--")) return argument.substr(2);
  if (argument.starts_with("-")) return argument.substr(1);
  return {};
}

// A whole unsigned number: decimal, or hex after "0x" (X tools print window
// ids that way).
std::optional<std::uint64_t> numberOf(std::string_view text) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> windowOf(std::string_view text) {
  const std::optional<std::uint64_t> value = numberOf(text);
  // X ids have 29 bits; 0 is "none", never a window.
  if (!value || *value == 0 || *value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

}  // namespace

std::optional<HackRequest> hackRequestOf(const std::vector<std::string>& arguments,
                                         const char* daemonWindow) {
  HackRequest request;
  bool root = false;
  std::optional<std::uint32_t> named;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string_view name = optionName(arguments[i]);
    std::optional<std::string_view> value;
    if (const std::size_t equals = name.find('='); equals != std::string_view::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    const bool takesValue = name == kWindowId || name == kDelay;
    if (takesValue && !value) {
      if (i + 1 >= arguments.size()) return std::nullopt;
      value = arguments[++i];
    }
    if (name == kRoot) {
      root = true;
    } else if (name == kWindowId) {
      named = windowOf(*value);
      if (!named) return std::nullopt;
    } else if (name == kDelay) {
      const std::optional<std::uint64_t> micros = numberOf(*value);
      if (!micros || *micros > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
      }
      request.delay = std::chrono::microseconds(*micros);
    } else if (name == kFps) {
      request.showFps = true;
    } else if (name == kNoFps) {
      request.showFps = false;
    }
  }
  if (named) {
    request.window = *named;
    request.preview = true;
  } else if (root) {
    // A variable that names no window leaves the root window: the daemon
    // has not handed one over.
    if (daemonWindow) request.window = windowOf(daemonWindow).value_or(0);
  } else {
    return std::nullopt;
  }
  return request;
}

std::vector<std::string> rendererArgumentsFor(const HackRequest& request) {
  std::vector<std::string> arguments = {"--window-id", std::to_string(request.window), "--delay",
                                        std::to_string(request.delay.count())};
  if (request.showFps) arguments.emplace_back("--fps");
  return arguments;
}

}  // namespace tumbleview

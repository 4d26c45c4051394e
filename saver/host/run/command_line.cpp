#include "command_line.h"

#include <cmath>
#include <limits>
#include <optional>

#include "basic_conversions.h"

namespace tumbleview {

std::string commandSwitch(std::string_view argumentText) {
  return substring(toUpper(argumentText), 2, 1).value_or(std::string());
}

std::int32_t previewParentOf(std::string_view argumentText) {
  const std::optional<double> number =
      parseLeadingNumber(substring(argumentText, 4).value_or(std::string()));
  if (!number) return 0;
  // The default rounding mode takes halves to the even neighbour.
  const double rounded = std::nearbyint(*number);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max())) {
    return 0;
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace tumbleview

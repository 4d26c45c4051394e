#include "shell_state.h"

namespace tumbleview {

ShellState& Shell() {
  static ShellState state;
  return state;
}

}  // namespace tumbleview

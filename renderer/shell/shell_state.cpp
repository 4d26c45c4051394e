#include "shell_state.h"

namespace tumbleview {

ShellState& shellState() {
  static ShellState state;
  return state;
}

}  // namespace tumbleview

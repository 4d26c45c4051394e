#include "saver_state.h"

namespace tumbleview {

SettingsRecord Settings;
std::int32_t LastApiResult = 0;
std::int32_t CursorCount = 0;
std::int16_t CursorX = 0;
std::int16_t CursorY = 0;

}  // namespace tumbleview

#include "window_proc.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tv = tumbleview;

namespace {

constexpr std::uintptr_t kVkA = 'A';

tv::Message keyDown(std::uintptr_t vk, std::uint32_t character = 0) { return {tv::kWmKeyDown, vk, 1, character}; }
tv::Message keyUp(std::uintptr_t vk) { return {tv::kWmKeyUp, vk, static_cast<std::intptr_t>(0xC0000001u), 0}; }
tv::Message plain(std::uint32_t number, std::uintptr_t wParam = 0) { return {number, wParam, 0, 0}; }

const tv::Message kEscapeDown = keyDown(tv::kVkEscape, 27);
const tv::Message kEscapeUp = keyUp(tv::kVkEscape);
const tv::Message kClose = plain(tv::kWmClose);
const tv::Message kMinimize = plain(tv::kWmActivate, tv::activateParam(tv::kWaInactive, true));
const tv::Message kRestore = plain(tv::kWmActivate, tv::activateParam(tv::kWaActive, false));
const tv::Message kFocusLost = plain(tv::kWmActivate, tv::activateParam(tv::kWaInactive, false));
const tv::Message kFocusGained = plain(tv::kWmActivate, tv::activateParam(tv::kWaActive, false));

// Hands the loop one burst of input each time the queue has run empty (after
// a frame), the first burst at once.  Should the script leave the loop
// running, or the loop stop presenting frames, it closes the window after a
// while, and says so.
class ScriptedPlatform final : public tv::LoopPlatform {
 public:
  explicit ScriptedPlatform(std::vector<std::vector<tv::Message>> bursts) : m_bursts(std::move(bursts)) {}

  void pumpEvents(tv::MessageQueue& queue) override {
    if (!m_idle && ++m_busyPumps < kPatience) return;
    m_idle = false;
    m_busyPumps = 0;
    if (m_next < m_bursts.size()) {
      for (const tv::Message& message : m_bursts[m_next]) queue.fromSystem(message);
      ++m_next;
    } else if (++m_idleAfterScript == kIdleFramesBeforeClose) {
      forcedClose = true;
      queue.fromSystem(kClose);
    }
  }
  void DrawFrame() override { trace += 'D'; }
  void SwapBuffers() override {
    trace += 'S';
    m_idle = true;
  }

  bool forcedClose = false;
  std::string trace;

 private:
  static constexpr int kIdleFramesBeforeClose = 3;
  static constexpr int kPatience = 1000;
  std::vector<std::vector<tv::Message>> m_bursts;
  std::size_t m_next = 0;
  bool m_idle = true;
  int m_busyPumps = 0;
  int m_idleAfterScript = 0;
};

struct LoopCase {
  const char* name;
  std::vector<std::vector<tv::Message>> bursts;
  int status;
  bool endedByScript;  // false: the loop was still running when the script ran out
  const char* trace;   // D = frame drawn, S = buffers swapped
};

void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.name; }

class MessageLoopTest : public ::testing::TestWithParam<LoopCase> {};

TEST_P(MessageLoopTest, EndsAsTheMessagesSay) {
  const LoopCase& c = GetParam();
  tv::ShellState shell;
  tv::MessageQueue queue;
  ScriptedPlatform platform(c.bursts);
  EXPECT_EQ(tv::runMessageLoop(shell, queue, platform), c.status);
  EXPECT_EQ(!platform.forcedClose, c.endedByScript);
  EXPECT_EQ(platform.trace, c.trace);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, MessageLoopTest,
    ::testing::Values(
        // Key-down, then its character message; the queue is empty next, the
        // frame is drawn but not swapped, and the character's 27 is the status.
        LoopCase{"EscapeEndsWithItsCharacter", {{kEscapeDown}}, 27, true, "D"},
        // Down and up in one burst: the key is up again when the queue empties.
        LoopCase{"EscapeDownAndUpInOneBurstDoesNotEnd", {{kEscapeDown, kEscapeUp}}, 0, false, "DSDSDS"},
        LoopCase{"EscapeUpInLaterBurstIsTooLate", {{kEscapeDown}, {kEscapeUp}}, 27, true, "D"},
        // The status is the parameter of the last message removed, whatever it is.
        LoopCase{"StatusIsLastParameterHandled", {{kEscapeDown, keyDown(kVkA, 'a')}}, 'a', true, "D"},
        // Window-state notifications are sent, not queued: never the status.
        LoopCase{"ActivationAfterEscapeLeavesTheStatus", {{kEscapeDown, kFocusGained}}, 27, true, "D"},
        LoopCase{"EscapeWithoutCharacterEndsWithKeyCode", {{keyDown(tv::kVkEscape)}}, 27, true, "D"},
        // A key-down's character message comes before the input behind it;
        // keys without a character, and key-ups, make none.
        LoopCase{"CharacterBeforeLaterInput", {{kEscapeDown, keyDown(0x70 /* F1 */)}}, 0x70, true, "D"},
        LoopCase{"SystemKeyGivesSystemCharacter", {{kEscapeDown, {tv::kWmSysKeyDown, 'A', 7, 'a'}}}, 'a', true, "D"},
        LoopCase{"KeyUpGivesNoCharacter", {{kEscapeDown, {tv::kWmKeyUp, 'A', 0, 'a'}}}, 'A', true, "D"},
        LoopCase{"CloseEndsWithZero", {{}, {kClose}}, 0, true, "DS"},
        // The quit message waits until the input behind the close request is handled.
        LoopCase{"CloseThenKeyStillEndsWithZero", {{kClose, keyDown(kVkA, 'a')}}, 0, true, ""},
        LoopCase{"OtherKeysAndButtonsDoNotEnd",
                 {{keyDown(kVkA, 'a'), keyDown(tv::kVkT, 't'), keyDown(tv::kVkH, 'h'), keyDown(' ', ' ')},
                  {plain(tv::kWmLButtonDown), plain(tv::kWmRButtonDown), plain(tv::kWmMouseMove)},
                  {plain(tv::kWmLButtonUp), plain(tv::kWmRButtonUp), keyUp(kVkA)}},
                 0, false, "DSDSDSDSDS"},
        // Minimized: swapped but not drawn; Escape still ends the run.
        LoopCase{"MinimizedSwapsWithoutDrawing", {{kMinimize}, {}, {kEscapeDown}}, 27, true, "SS"},
        LoopCase{"RestoreDrawsAgain", {{kMinimize}, {kRestore}, {kEscapeDown}}, 27, true, "SDSD"},
        LoopCase{"LosingFocusKeepsDrawing", {{kFocusLost}, {}, {kEscapeDown}}, 27, true, "DSDSD"},
        LoopCase{"KeyCodesPastTheTableAreIgnored", {{keyDown(256), keyDown(0xFFFF), keyDown(~std::uintptr_t{0})}}, 0,
                 false, "DSDSDS"}),
    [](const ::testing::TestParamInfo<LoopCase>& param) { return std::string(param.param.name); });

// Keys and the left and right buttons set and clear their entries; system
// keys, characters, the middle button and the wheel leave the table alone.
// Only minimizing makes the window inactive.
TEST(WindowProcTest, MessagesSetTheKeyTableAndTheActiveState) {
  constexpr std::size_t kNone = 1000;
  const std::tuple<tv::Message, std::size_t, std::uint8_t, bool> rows[] = {
      {keyDown(tv::kVkT), tv::kVkT, 1, true}, {keyUp(tv::kVkT), tv::kVkT, 0, true}, {keyDown(255), 255, 1, true},
      {keyUp(255), 255, 0, true}, {keyDown(0), 0, 1, true}, {plain(tv::kWmLButtonDown), tv::kVkLButton, 1, true},
      {plain(tv::kWmLButtonUp), tv::kVkLButton, 0, true}, {plain(tv::kWmRButtonDown), tv::kVkRButton, 1, true},
      {plain(tv::kWmRButtonUp), tv::kVkRButton, 0, true}, {plain(tv::kWmSysKeyDown, tv::kVkT), kNone, 0, true},
      {plain(tv::kWmChar, tv::kVkEscape), kNone, 0, true}, {plain(tv::kWmSysChar, 'a'), kNone, 0, true},
      {plain(tv::kWmMButtonDown), kNone, 0, true}, {plain(tv::kWmMouseWheel), kNone, 0, true},
      {plain(tv::kWmMouseMove, 3), kNone, 0, true}, {kMinimize, kNone, 0, false}, {kRestore, kNone, 0, true},
      {kFocusLost, kNone, 0, true}, {plain(tv::kWmActivate, tv::activateParam(tv::kWaActive, true)), kNone, 0, false},
      {plain(tv::kWmActivate, tv::activateParam(2 /* click-activated */, false)), kNone, 0, true},
  };
  tv::ShellState shell;
  tv::MessageQueue queue;
  for (const auto& [message, entry, held, active] : rows) {
    const auto before = shell.keyDown;
    EXPECT_EQ(tv::WindowProc(shell, queue, message), 0);
    auto expected = before;
    if (entry != kNone) expected[entry] = held;
    EXPECT_EQ(shell.keyDown, expected) << "message " << message.message << " wParam " << message.wParam;
    EXPECT_EQ(shell.active, active) << "message " << message.message << " wParam 0x" << std::hex << message.wParam;
  }
  EXPECT_TRUE(queue.empty());
}

}  // namespace

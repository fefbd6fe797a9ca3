// Tree mode driven by arbitrary keys over an arbitrary scan file.  After
// every key the navigation invariant must hold and nothing may have been
// drawn outside the 80-column screen.
#include "browser/navigate.h"
#include "browser/render.h"
#include "fuzz_support.h"
#include "store/load.h"

namespace {

// Keys the fuzzer picks from: every key tree mode acts on, with modifiers.
struct FuzzKey {
  uint16_t vk;
  uint8_t ch;
  uint32_t state;
};
const FuzzKey kKeys[] = {
    {38, 0, 0},   {40, 0, 0},   {37, 0, 0},   {39, 0, 0},
    {33, 0, 0},   {34, 0, 0},   {36, 0, 0},   {35, 0, 0},
    {38, 0, kLeftCtrlPressed}, {40, 0, kLeftCtrlPressed},
    {9, 9, 0},    {9, 9, kShiftPressed},      {8, 8, 0},
    {'N', 'n', kLeftAltPressed}, {'A', 'a', 0}, {'P', 'p', 0},
    {'D', 'd', 0}, {'E', 'e', 0}, {'W', 'w', 0}, {'1', '1', 0},
    {'Y', 'y', 0}, {'N', 'n', 0}, {186, ':', kShiftPressed},
    {46, 0, 0},   {46, 0, kLeftCtrlPressed}, {112, 0, 0},
    {113, 0, 0},  {113, 0, kShiftPressed}, {'P', 'p', kLeftAltPressed},
    {27, 27, 0},  {13, 13, 0},  {'X', 'x', kLeftAltPressed},
};
constexpr int kKeyCount = sizeof kKeys / sizeof kKeys[0];

const int kColumns = 96;

const int kRows = 25;
const int kBufferRows = 40;

// The buffer is wider and taller than the 80 x 25 screen.  Right of column
// 79 only the blanks of a clear to the line's end may appear; below the
// window nothing may change.
void Fence(TestConsole& con) {
  for (int r = 0; r < kBufferRows; ++r)
    for (int c = r < kRows ? 80 : 0; c < kColumns; ++c) {
      con.chars[static_cast<size_t>(r * kColumns + c)] = '#';
      con.attrs[static_cast<size_t>(r * kColumns + c)] = 0xEE;
    }
}

void CheckFence(const TestConsole& con) {
  for (int r = 0; r < kBufferRows; ++r)
    for (int c = r < kRows ? 80 : 0; c < kColumns; ++c) {
      char ch = con.Char(c, r);
      if (r < kRows ? (ch != '#' && ch != ' ') : (ch != '#' || con.Attr(c, r) != 0xEE))
        abort();
    }
}

void CheckInvariant() {
  int d = prog.currentDrive;
  if (d < 0 || d > 26) abort();
  if (d == 0) return;
  const DriveTree& t = Drive(d);
  if (t.entryCount == 0) return;
  int S = t.currentEntry, T = t.topEntry, W = t.rowsUsed, N = t.entryCount;
  if (!(1 <= T && T <= S && S <= T + W - 1 && T + W - 1 <= N)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Input: key choices up to the first 0xFF byte, then the scan file.
  size_t split = 0;
  while (split < size && data[split] != 0xFF) ++split;
  std::string scanFile;
  if (split < size)
    scanFile.assign(reinterpret_cast<const char*>(data + split + 1),
                    size - split - 1);
  FuzzWorld world(scanFile, kColumns, kBufferRows);
  world.con.SetWindow(0, kRows);
  for (size_t i = 0; i < split && i < 400; ++i) {
    const FuzzKey& k = kKeys[data[i] % kKeyCount];
    world.con.PushKey(k.vk, k.ch, k.state);
  }
  Fence(world.con);
  prog.anchorDrive = DriveNumberOf(prog.startupDirectory);
  TestConsole& con = world.con;
  RunGuarded([&con] {
    LoadDriveTrees();
    prog.currentDrive = prog.anchorDrive;
    if (prog.currentDrive == 0 || Drive(prog.currentDrive).entryCount == 0) {
      for (int d = 1; d <= 26; ++d)
        if (Drive(d).entryCount > 0) {
          prog.currentDrive = d;
          break;
        }
    }
    DrawTreeScreen();
    for (;;) {
      CheckInvariant();
      CheckFence(con);
      DrawStatusLine();
      DrawCursorBar(true);
      prog.LastKey = ReadKeyCode(true);
      DrawCursorBar(false);
      int key = prog.LastKey;
      DispatchKey();
      // The help screen clears the whole buffer on purpose.
      if (key == -59) Fence(con);
      CheckInvariant();
      CheckFence(con);
    }
  });
  return 0;
}

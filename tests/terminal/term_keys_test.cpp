#include "terminal/term_keys.h"

#include <gtest/gtest.h>

namespace {

const uint32_t kS = kShiftPressed, kC = kLeftCtrlPressed, kA = kLeftAltPressed;
const uint32_t kMods = kS | kC | kA;

struct Key {
  int vk;
  uint32_t mods;
  int ch;
};

bool operator==(const Key& a, const Key& b) {
  return a.vk == b.vk && a.mods == b.mods && a.ch == b.ch;
}
std::ostream& operator<<(std::ostream& os, const Key& k) {
  return os << "{vk " << k.vk << " mods " << k.mods << " ch " << k.ch << "}";
}

std::vector<Key> Keys(const std::string& bytes, bool final = true) {
  ParsedKeys parsed = ParseTerminalKeys(bytes, final);
  std::vector<Key> keys;
  for (const InputRecord& r : parsed.events) {
    EXPECT_EQ(r.eventType, kKeyEvent);
    EXPECT_TRUE(r.key.keyDown);
    EXPECT_EQ(r.key.repeatCount, 1);
    keys.push_back(Key{r.key.virtualKeyCode, r.key.controlKeyState & kMods,
                       r.key.asciiChar});
  }
  if (final) {
    EXPECT_EQ(parsed.consumed, bytes.size()) << bytes;
  }
  return keys;
}

Key One(const std::string& bytes) {
  std::vector<Key> keys = Keys(bytes);
  EXPECT_EQ(keys.size(), 1u) << bytes;
  return keys.empty() ? Key{-1, 0, 0} : keys[0];
}

TEST(TermKeys, CursorAndEditingKeysInEveryForm) {
  struct Case {
    const char* bytes;
    Key key;
  } cases[] = {
      {"\x1b[A", {38, 0, 0}},        {"\x1bOA", {38, 0, 0}},
      {"\x1b[B", {40, 0, 0}},        {"\x1b[C", {39, 0, 0}},
      {"\x1b[D", {37, 0, 0}},        {"\x1b[1;5A", {38, kC, 0}},
      {"\x1b[1;5B", {40, kC, 0}},    {"\x1b[1;3B", {40, kA, 0}},
      {"\x1b[1;2D", {37, kS, 0}},    {"\x1b[1;9A", {38, kA, 0}},
      {"\x1bOa", {38, kC, 0}},       {"\x1bOb", {40, kC, 0}},   // rxvt
      {"\x1b[a", {38, kS, 0}},       {"\x1b\x1b[A", {38, kA, 0}},
      {"\x1b[H", {36, 0, 0}},        {"\x1b[1~", {36, 0, 0}},
      {"\x1b[7~", {36, 0, 0}},       {"\x1bOH", {36, 0, 0}},
      {"\x1b[F", {35, 0, 0}},        {"\x1b[4~", {35, 0, 0}},
      {"\x1b[8~", {35, 0, 0}},       {"\x1b[1;5H", {36, kC, 0}},
      {"\x1b[5~", {33, 0, 0}},       {"\x1b[6~", {34, 0, 0}},
      {"\x1b[5;5~", {33, kC, 0}},    {"\x1b[2~", {45, 0, 0}},
      {"\x1b[3~", {46, 0, 0}},       {"\x1b[3;5~", {46, kC, 0}},
      {"\x1b[3;2~", {46, kS, 0}},    {"\x1b[3^", {46, kC, 0}},
      {"\x1b[3$", {46, kS, 0}},      {"\x1b[Z", {9, kS, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(One(c.bytes), c.key) << c.bytes + 1;
}

TEST(TermKeys, FunctionKeysWithModifiers) {
  struct Case {
    const char* bytes;
    Key key;
  } cases[] = {
      {"\x1bOP", {112, 0, 0}},        {"\x1bOQ", {113, 0, 0}},
      {"\x1bOS", {115, 0, 0}},        {"\x1b[11~", {112, 0, 0}},
      {"\x1b[12~", {113, 0, 0}},      {"\x1b[[A", {112, 0, 0}},
      {"\x1b[[E", {116, 0, 0}},       {"\x1b[15~", {116, 0, 0}},
      {"\x1b[17~", {117, 0, 0}},      {"\x1b[21~", {121, 0, 0}},
      {"\x1b[23~", {122, 0, 0}},      {"\x1b[24~", {123, 0, 0}},
      {"\x1b[1;2Q", {113, kS, 0}},    {"\x1bO2Q", {113, kS, 0}},
      {"\x1b[1;2P", {112, kS, 0}},    {"\x1b[1;5P", {112, kC, 0}},
      {"\x1b[1;3R", {114, kA, 0}},    {"\x1b[15;2~", {116, kS, 0}},
      {"\x1b[24;5~", {123, kC, 0}},   {"\x1b[12^", {113, kC, 0}},
      {"\x1b[25~", {114, kS, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(One(c.bytes), c.key) << c.bytes + 1;
}

TEST(TermKeys, TypedBytesAsAUsKeyboardSendsThem) {
  EXPECT_EQ(One("a"), (Key{'A', 0, 'a'}));
  EXPECT_EQ(One("Z"), (Key{'Z', kS, 'Z'}));
  EXPECT_EQ(One("7"), (Key{'7', 0, '7'}));
  EXPECT_EQ(One("!"), (Key{'1', kS, '!'}));
  EXPECT_EQ(One("("), (Key{'9', kS, '('}));
  EXPECT_EQ(One(" "), (Key{32, 0, ' '}));
  EXPECT_EQ(One("."), (Key{190, 0, '.'}));
  EXPECT_EQ(One("_"), (Key{189, kS, '_'}));
  EXPECT_EQ(One("\\"), (Key{220, 0, '\\'}));
  EXPECT_EQ(One("\r"), (Key{13, 0, 13}));
  EXPECT_EQ(One("\t"), (Key{9, 0, 9}));
  EXPECT_EQ(One("\x7f"), (Key{8, 0, 8}));
  EXPECT_EQ(One("\x08"), (Key{8, 0, 8}));
  EXPECT_EQ(One("\x01"), (Key{'A', kC, 1}));
  EXPECT_EQ(One("\x1a"), (Key{'Z', kC, 26}));
  EXPECT_EQ(One("\x1e"), (Key{'6', kC | kS, 30}));
  // UTF-8 arrives byte by byte as characters of no table key.
  std::vector<Key> utf8 = Keys("\xC3\xBC");
  ASSERT_EQ(utf8.size(), 2u);
  EXPECT_EQ(utf8[0], (Key{223, 0, 0xC3}));
  EXPECT_EQ(utf8[1], (Key{223, 0, 0xBC}));
}

TEST(TermKeys, AltIsEscapeBeforeTheKey) {
  EXPECT_EQ(One("\x1bx"), (Key{'X', kA, 'x'}));
  EXPECT_EQ(One("\x1bn"), (Key{'N', kA, 'n'}));
  EXPECT_EQ(One("\x1bP"), (Key{'P', kA | kS, 'P'}));
  EXPECT_EQ(One("\x1b" "3"), (Key{'3', kA, '3'}));
  EXPECT_EQ(One("\x1b\r"), (Key{13, kA, 13}));
  EXPECT_EQ(One("\x1b\x18"), (Key{'X', kA | kC, 24}));
}

TEST(TermKeys, LoneAndSplitEscapes) {
  // An Esc with nothing after it waits until the caller says no more came.
  ParsedKeys wait = ParseTerminalKeys("\x1b", false);
  EXPECT_TRUE(wait.incomplete);
  EXPECT_EQ(wait.consumed, 0u);
  EXPECT_TRUE(wait.events.empty());
  EXPECT_EQ(One("\x1b"), (Key{27, 0, 27}));
  // A sequence cut anywhere is kept whole for the next call.
  const std::string ctrlDelete = "\x1b[3;5~";
  for (size_t cut = 1; cut < ctrlDelete.size(); ++cut) {
    ParsedKeys head = ParseTerminalKeys("q" + ctrlDelete.substr(0, cut), false);
    EXPECT_TRUE(head.incomplete) << cut;
    EXPECT_EQ(head.consumed, 1u) << cut;
    EXPECT_EQ(head.events.size(), 1u) << cut;
  }
  EXPECT_EQ(One(ctrlDelete), (Key{46, kC, 0}));
  // Two quick Esc presses are two keys, not Alt-Esc.
  std::vector<Key> twice = Keys("\x1b\x1b");
  ASSERT_EQ(twice.size(), 2u);
  EXPECT_EQ(twice[1], (Key{27, 0, 27}));
  // A cut-off sequence that never completes: Esc, then what followed.
  std::vector<Key> cut = Keys("\x1bO");
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0], (Key{27, 0, 27}));
  EXPECT_EQ(cut[1], (Key{'O', kS, 'O'}));
}

TEST(TermKeys, StreamsAndSequencesOfNoKey) {
  std::vector<Key> keys = Keys("ab\x1b[Bc\x1bOP\r");
  ASSERT_EQ(keys.size(), 6u);
  EXPECT_EQ(keys[2], (Key{40, 0, 0}));
  EXPECT_EQ(keys[3], (Key{'C', 0, 'c'}));
  EXPECT_EQ(keys[4], (Key{112, 0, 0}));
  EXPECT_EQ(keys[5], (Key{13, 0, 13}));
  // Terminal reports and unknown keys are swallowed whole, never typed.
  std::vector<Key> quiet = Keys("\x1b[?1;2c\x1b[200~\x1b[99~\x1b[<0;3;4Mx");
  ASSERT_EQ(quiet.size(), 1u);
  EXPECT_EQ(quiet[0], (Key{'X', 0, 'x'}));
  // Absurdly long numbers are read without overflowing and name no key.
  std::vector<Key> f1 = Keys("\x1bO" + std::string(40, '1') + "P");
  ASSERT_EQ(f1.size(), 1u);
  EXPECT_EQ(f1[0].vk, 112);
  EXPECT_TRUE(Keys("\x1b[" + std::string(40, '9') + ";" +
                   std::string(40, '9') + "~").empty());
  // A broken CSI keeps the byte that broke it.
  std::vector<Key> broken = Keys("\x1b[1\x03");
  ASSERT_EQ(broken.size(), 1u);
  EXPECT_EQ(broken[0], (Key{'C', kC, 3}));
}

}  // namespace

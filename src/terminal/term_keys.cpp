#include "terminal/term_keys.h"

#include <cstdint>

#include "text/ascii.h"

namespace {

// Windows virtual-key codes of the keys a terminal can send.
enum : uint16_t {
  kVkBack = 8, kVkTab = 9, kVkClear = 12, kVkReturn = 13, kVkEscape = 27,
  kVkSpace = 32, kVkPrior = 33, kVkNext = 34, kVkEnd = 35, kVkHome = 36,
  kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40, kVkInsert = 45,
  kVkDelete = 46, kVkNumpad0 = 96, kVkMultiply = 106, kVkAdd = 107,
  kVkSeparator = 108, kVkSubtract = 109, kVkDecimal = 110, kVkDivide = 111,
  kVkF1 = 112,
  // Punctuation keys of the US layout; the console's own character is used.
  kVkOem1 = 186, kVkOemPlus = 187, kVkOemComma = 188, kVkOemMinus = 189,
  kVkOemPeriod = 190, kVkOem2 = 191, kVkOem3 = 192, kVkOem4 = 219,
  kVkOem5 = 220, kVkOem6 = 221, kVkOem7 = 222,
  // Anything else that is just a character (UTF-8 bytes).
  kVkOem8 = 223,
};

const uint32_t kShift = kShiftPressed;
const uint32_t kAlt = kLeftAltPressed;
const uint32_t kCtrl = kLeftCtrlPressed;

struct Key {
  uint16_t vk = 0;
  uint32_t state = 0;  // modifiers the sequence itself implies
  uint8_t ch = 0;
  bool enhanced = false;
};

InputRecord Record(const Key& key, uint32_t modifiers) {
  InputRecord r;
  r.eventType = kKeyEvent;
  r.key.keyDown = true;
  r.key.repeatCount = 1;
  r.key.virtualKeyCode = key.vk;
  r.key.asciiChar = key.ch;
  r.key.controlKeyState =
      key.state | modifiers | (key.enhanced ? kEnhancedKey : 0u);
  return r;
}

Key Nav(uint16_t vk, uint32_t state = 0) { return Key{vk, state, 0, true}; }
Key Fn(int n, uint32_t state = 0) {
  return Key{static_cast<uint16_t>(kVkF1 + n - 1), state, 0, false};
}

// Final bytes of CSI and SS3 sequences without a number of their own.
struct FinalKey {
  char final;
  uint16_t vk;
  uint32_t state;
  bool nav;
};
const FinalKey kFinals[] = {
    {'A', kVkUp, 0, true},       {'B', kVkDown, 0, true},
    {'C', kVkRight, 0, true},    {'D', kVkLeft, 0, true},
    {'H', kVkHome, 0, true},     {'F', kVkEnd, 0, true},
    {'E', kVkClear, 0, false},   {'P', kVkF1, 0, false},
    {'Q', kVkF1 + 1, 0, false},  {'R', kVkF1 + 2, 0, false},
    {'S', kVkF1 + 3, 0, false},  {'Z', kVkTab, kShift, false},
    // rxvt: lower-case arrows are shifted after CSI, with Ctrl after SS3.
    {'a', kVkUp, kShift, true},  {'b', kVkDown, kShift, true},
    {'c', kVkRight, kShift, true}, {'d', kVkLeft, kShift, true},
};

// SS3 forms only: rxvt's Ctrl-arrows and the application keypad.
struct Ss3Key {
  char final;
  Key key;
};
const Ss3Key kSs3Only[] = {
    {'a', Nav(kVkUp, kCtrl)},   {'b', Nav(kVkDown, kCtrl)},
    {'c', Nav(kVkRight, kCtrl)}, {'d', Nav(kVkLeft, kCtrl)},
    {'M', Key{kVkReturn, 0, 13, true}},
    {'j', Key{kVkMultiply, 0, '*', false}},
    {'k', Key{kVkAdd, 0, '+', false}},
    {'l', Key{kVkSeparator, 0, ',', false}},
    {'m', Key{kVkSubtract, 0, '-', false}},
    {'n', Key{kVkDecimal, 0, '.', false}},
    {'o', Key{kVkDivide, 0, '/', false}},
    {'X', Key{kVkOemPlus, 0, '=', false}},
};

// CSI <n> ~ (xterm, tmux, rxvt, the Linux console).
struct TildeKey {
  int number;
  Key key;
};
const TildeKey kTildes[] = {
    {1, Nav(kVkHome)},   {2, Nav(kVkInsert)}, {3, Nav(kVkDelete)},
    {4, Nav(kVkEnd)},    {5, Nav(kVkPrior)},  {6, Nav(kVkNext)},
    {7, Nav(kVkHome)},   {8, Nav(kVkEnd)},    {11, Fn(1)},
    {12, Fn(2)},         {13, Fn(3)},         {14, Fn(4)},
    {15, Fn(5)},         {17, Fn(6)},         {18, Fn(7)},
    {19, Fn(8)},         {20, Fn(9)},         {21, Fn(10)},
    {23, Fn(11)},        {24, Fn(12)},
    // rxvt's shifted function keys past its F12.
    {25, Fn(3, kShift)}, {26, Fn(4, kShift)}, {28, Fn(5, kShift)},
    {29, Fn(6, kShift)}, {31, Fn(7, kShift)}, {32, Fn(8, kShift)},
    {33, Fn(9, kShift)}, {34, Fn(10, kShift)},
};

// The xterm modifier parameter: 1 + (Shift 1, Alt 2, Ctrl 4, Meta 8).
uint32_t Modifiers(int param) {
  if (param < 2) return 0;
  int bits = param - 1;
  uint32_t state = 0;
  if (bits & 1) state |= kShift;
  if (bits & (2 | 8)) state |= kAlt;
  if (bits & 4) state |= kCtrl;
  return state;
}

bool FindFinal(char final, Key* key) {
  for (const FinalKey& f : kFinals) {
    if (f.final == final) {
      *key = Key{f.vk, f.state, 0, f.nav};
      return true;
    }
  }
  return false;
}

// A plain byte typed on a US keyboard.
Key ByteKey(unsigned char c) {
  static const char kShiftedDigits[] = ")!@#$%^&*(";
  struct Punct {
    char normal, shifted;
    uint16_t vk;
  };
  static const Punct kPunct[] = {
      {';', ':', kVkOem1},  {'=', '+', kVkOemPlus},  {',', '<', kVkOemComma},
      {'-', '_', kVkOemMinus}, {'.', '>', kVkOemPeriod}, {'/', '?', kVkOem2},
      {'`', '~', kVkOem3},  {'[', '{', kVkOem4},     {'\\', '|', kVkOem5},
      {']', '}', kVkOem6},  {'\'', '"', kVkOem7},
  };
  if (c >= 'a' && c <= 'z') return Key{static_cast<uint8_t>(UpperAscii(static_cast<char>(c))), 0, c, false};
  if (c >= 'A' && c <= 'Z') return Key{c, kShift, c, false};
  if (c >= '0' && c <= '9') return Key{c, 0, c, false};
  if (c == ' ') return Key{kVkSpace, 0, c, false};
  if (c == '\r') return Key{kVkReturn, 0, 13, false};
  if (c == '\t') return Key{kVkTab, 0, 9, false};
  if (c == 0x1B) return Key{kVkEscape, 0, 27, false};
  if (c == 0x7F || c == 0x08) return Key{kVkBack, 0, 8, false};
  if (c == 0) return Key{kVkSpace, kCtrl, ' ', false};
  if (c >= 1 && c <= 26) {
    return Key{static_cast<uint16_t>('A' + c - 1), kCtrl, c, false};
  }
  switch (c) {
    case 0x1C: return Key{kVkOem5, kCtrl, c, false};
    case 0x1D: return Key{kVkOem6, kCtrl, c, false};
    case 0x1E: return Key{'6', kCtrl | kShift, c, false};
    case 0x1F: return Key{kVkOemMinus, kCtrl | kShift, c, false};
    default: break;
  }
  for (int d = 0; d < 10; ++d) {
    if (c == static_cast<unsigned char>(kShiftedDigits[d]))
      return Key{static_cast<uint16_t>('0' + d), kShift, c, false};
  }
  for (const Punct& p : kPunct) {
    if (c == static_cast<unsigned char>(p.normal)) return Key{p.vk, 0, c, false};
    if (c == static_cast<unsigned char>(p.shifted))
      return Key{p.vk, kShift, c, false};
  }
  return Key{kVkOem8, 0, c, false};
}

enum class Match { kKey, kNone, kIncomplete };

// SS3 at `pos`, optionally with a modifier digit in front of the final (old
// xterm).
Match ParseSs3(const std::string& s, size_t pos, Key* key, uint32_t* mods,
               size_t* length) {
  size_t n = s.size();
  size_t at = pos + 2;
  if (at >= n) return Match::kIncomplete;
  int param = 0;
  for (; at < n && s[at] >= '0' && s[at] <= '9'; ++at)
    if (param < 10000) param = param * 10 + (s[at] - '0');
  if (at >= n) return Match::kIncomplete;
  char final = s[at];
  *length = at + 1 - pos;
  *mods = Modifiers(param);
  for (const Ss3Key& k : kSs3Only) {
    if (k.final == final) {
      *key = k.key;
      return Match::kKey;
    }
  }
  if (final >= 'p' && final <= 'y') {
    *key = Key{static_cast<uint16_t>(kVkNumpad0 + (final - 'p')), 0,
               static_cast<uint8_t>('0' + (final - 'p')), false};
    return Match::kKey;
  }
  if (!FindFinal(final, key)) *key = Key{};
  return Match::kKey;
}

// The parameter bytes of a CSI sequence.
struct CsiParams {
  int values[4] = {0, 0, 0, 0};
  int count = 0;
  bool digits = false;
  bool privateMarker = false;
};

// Reads parameters from `*at` up to the first byte that is not one; false
// when the text ends first.
bool ReadCsiParams(const std::string& s, size_t* at, CsiParams* p) {
  for (;; ++*at) {
    if (*at >= s.size()) return false;
    unsigned char c = static_cast<unsigned char>(s[*at]);
    if (c >= '0' && c <= '9') {
      if (p->count < 4 && p->values[p->count] < 10000)
        p->values[p->count] = p->values[p->count] * 10 + (c - '0');
      p->digits = true;
    } else if (c == ';') {
      ++p->count;
    } else if (c >= 0x3C && c <= 0x3F) {
      // private-parameter markers: part of a sequence we do not decode
      p->privateMarker = true;
    } else {
      break;
    }
  }
  ++p->count;
  return true;
}

// The key a whole CSI sequence with final byte at `at` names.
Match CsiKey(const std::string& s, size_t pos, size_t at, char final,
             const CsiParams& p, Key* key, uint32_t* mods, size_t* length) {
  *key = Key{};
  if (p.privateMarker) return Match::kKey;
  if (final == '~' || final == '$' || final == '^' || final == '@') {
    for (const TildeKey& t : kTildes) {
      if (t.number == p.values[0]) {
        *key = t.key;
        break;
      }
    }
    if (final == '$') *mods = kShift;
    if (final == '^') *mods = kCtrl;
    if (final == '@') *mods = kCtrl | kShift;
    if (final == '~' && p.count > 1) *mods = Modifiers(p.values[1]);
    return Match::kKey;
  }
  if (final == 'M' && p.count == 1 && !p.digits) {
    // An X10 mouse report: three bytes of data follow.
    if (at + 3 >= s.size()) return Match::kIncomplete;
    *length = at + 4 - pos;
    return Match::kKey;
  }
  if (FindFinal(final, key)) {
    // CSI 1;N X, or the older CSI N X.
    *mods = Modifiers(p.count > 1 ? p.values[1] : p.values[0]);
  }
  return Match::kKey;
}

// CSI at `pos`.
Match ParseCsi(const std::string& s, size_t pos, Key* key, uint32_t* mods,
               size_t* length) {
  size_t n = s.size();
  size_t at = pos + 2;
  // The Linux console's F1-F5: CSI [ A..E.
  if (at < n && s[at] == '[') {
    if (at + 1 >= n) return Match::kIncomplete;
    char final = s[at + 1];
    *length = at + 2 - pos;
    *key = (final >= 'A' && final <= 'E') ? Fn(final - 'A' + 1) : Key{};
    return Match::kKey;
  }
  CsiParams params;
  if (!ReadCsiParams(s, &at, &params)) return Match::kIncomplete;
  // Intermediate bytes, then the final byte; rxvt ends modified keys with
  // $ (Shift), ^ (Ctrl) or @ (Ctrl+Shift) after the number.
  char final = s[at];
  if (final == '$' && params.digits) {
    *length = at + 1 - pos;
  } else {
    while (static_cast<unsigned char>(s[at]) >= 0x20 &&
           static_cast<unsigned char>(s[at]) <= 0x2F) {
      if (++at >= n) return Match::kIncomplete;
    }
    final = s[at];
    if (static_cast<unsigned char>(final) < 0x40 ||
        static_cast<unsigned char>(final) > 0x7E) {
      // Not a sequence after all: only the ESC [ is taken.
      *length = at - pos;
      *key = Key{};
      return Match::kKey;
    }
    *length = at + 1 - pos;
  }
  return CsiKey(s, pos, at, final, params, key, mods, length);
}

// One escape sequence at `pos` (which holds ESC).  kNone: no sequence
// starts here; kKey with `key.vk` 0 means a sequence that names no key we
// know, which is swallowed whole.
Match ParseSequence(const std::string& s, size_t pos, Key* key,
                    uint32_t* mods, size_t* length) {
  if (pos + 1 >= s.size()) return Match::kIncomplete;
  *mods = 0;
  if (s[pos + 1] == 'O') return ParseSs3(s, pos, key, mods, length);
  if (s[pos + 1] == '[') return ParseCsi(s, pos, key, mods, length);
  return Match::kNone;
}

}  // namespace

ParsedKeys ParseTerminalKeys(const std::string& bytes, bool final) {
  ParsedKeys out;
  size_t pos = 0;
  size_t n = bytes.size();
  while (pos < n) {
    unsigned char c = static_cast<unsigned char>(bytes[pos]);
    if (c != 0x1B) {
      out.events.push_back(Record(ByteKey(c), 0));
      ++pos;
      continue;
    }
    Key key;
    uint32_t mods = 0;
    size_t length = 0;
    Match m = ParseSequence(bytes, pos, &key, &mods, &length);
    if (m == Match::kNone && pos + 1 < n && bytes[pos + 1] == 0x1B) {
      // ESC ESC: rxvt's Alt with a key sequence, else two Esc presses.
      m = ParseSequence(bytes, pos + 1, &key, &mods, &length);
      if (m == Match::kKey) {
        mods |= kAlt;
        ++length;
      } else if (m == Match::kNone) {
        out.events.push_back(Record(ByteKey(0x1B), 0));
        ++pos;
        continue;
      }
    }
    if (m == Match::kIncomplete) {
      if (!final) {
        out.incomplete = true;
        break;
      }
      // Nothing more came: the ESC was the Esc key on its own.
      out.events.push_back(Record(ByteKey(0x1B), 0));
      ++pos;
      continue;
    }
    if (m == Match::kKey) {
      if (key.vk != 0) out.events.push_back(Record(key, mods));
      pos += length;
      continue;
    }
    // ESC and one more byte: that key with Alt.
    Key k = ByteKey(static_cast<unsigned char>(bytes[pos + 1]));
    out.events.push_back(Record(k, kAlt));
    pos += 2;
  }
  out.consumed = pos;
  return out;
}

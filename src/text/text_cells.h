// Screen cells taken by text.  On the Windows console one byte is one cell;
// in a UTF-8 terminal a valid UTF-8 sequence is one character of one or two
// cells and every other byte is one code page 437 glyph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

int TextCells(const std::string& text);
// The longest head of `text` that fits in `cells` cells; never splits a
// character and never leaves half of a double-width one.
std::string CutToCells(const std::string& text, int cells);
// The longest tail of `text` that fits in `cells` cells, by the same rules.
std::string TailToCells(const std::string& text, int cells);

// One character of UTF-8 cell text: a valid UTF-8 sequence with the
// zero-width marks that follow it, or one byte shown as its code page 437
// glyph.
struct TextChar {
  int bytes = 1;       // bytes of the text it takes
  int cells = 1;       // 1 or 2
  uint32_t code = 0;   // the code point shown (first one of a sequence)
  bool utf8 = false;   // false: a lone byte shown by its glyph
};

// The character of UTF-8 cell text that starts at `pos` (< size).
TextChar NextTextChar(const char* text, size_t size, size_t pos);
// Cells of a code point in a terminal: 0 (combining, joiners), 1 or 2.
int CodePointCells(uint32_t code);
// The code point of a byte's code page 437 glyph, and back (-1: none).
uint32_t Cp437Glyph(uint8_t byte);
int Cp437Byte(uint32_t code);

// TextCells and CutToCells by the UTF-8 cell rules, whatever the console.
int Utf8TextCells(const std::string& text);
std::string Utf8CutToCells(const std::string& text, int cells);

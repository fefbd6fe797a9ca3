// Screen cells taken by text.  On the Windows console one byte is one cell;
// in a UTF-8 terminal a valid UTF-8 sequence is one character of one or two
// cells and every other byte is one code page 437 glyph.
#pragma once

#include <string>

int TextCells(const std::string& text);
// The longest head of `text` that fits in `cells` cells; never splits a
// character and never leaves half of a double-width one.
std::string CutToCells(const std::string& text, int cells);

#include "crt32/text_cells.h"

#include "system/console_device.h"

// Placeholder: one byte is one cell.  The UTF-8 cell rules replace this.
int TextCells(const std::string& text) { return static_cast<int>(text.size()); }

std::string CutToCells(const std::string& text, int cells) {
  if (cells <= 0) return std::string();
  if (static_cast<int>(text.size()) <= cells) return text;
  return text.substr(0, static_cast<size_t>(cells));
}

// Exact conversions between 8-bit code pages and UTF-16, for the Windows
// backends.  Never best fit: a character the target code page cannot hold
// makes the conversion fail instead of turning into a look-alike or "?".
#pragma once

#include <windows.h>

#include <string>

// `text` in code page `codePage` as UTF-16; false when it holds a byte
// sequence that code page does not define.
bool WidenExact(UINT codePage, const std::string& text, std::wstring* wide);
// `wide` in code page `codePage`; false when a character has no exact form
// there.
bool NarrowExact(UINT codePage, const std::wstring& wide, std::string* text);

// The program's 8-bit names are in the ANSI code page (the scan file's).
inline bool FromAnsi(const std::string& text, std::wstring* wide) {
  return WidenExact(CP_ACP, text, wide);
}
inline bool ToAnsi(const std::wstring& wide, std::string* text) {
  return NarrowExact(CP_ACP, wide, text);
}

// The short (8.3) form of an existing path, or empty when there is none.
std::wstring ShortPath(const std::wstring& path);

// `wide` in the ANSI code page; when it has no exact form there, its short
// path's.  False when neither converts.
bool ToAnsiOrShort(const std::wstring& wide, std::string* text);

// How a directory listing turns the file system's names into the program's:
// the exact ANSI form, else the short name.  Replaceable, so that tests can
// stand for a code page that lacks a character and a volume without short
// names.
struct NameConversion {
  bool (*toAnsi)(const std::wstring& wide, std::string* text) = ToAnsi;
  std::wstring (*shortPath)(const std::wstring& path) = ShortPath;
};

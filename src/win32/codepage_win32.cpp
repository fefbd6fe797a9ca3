#include "win32/codepage_win32.h"

namespace {

UINT Resolve(UINT codePage) {
  if (codePage == CP_ACP) return GetACP();
  if (codePage == CP_OEMCP) return GetOEMCP();
  return codePage;
}

}  // namespace

bool WidenExact(UINT codePage, const std::string& text, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return true;
  const UINT cp = Resolve(codePage);
  const int size = static_cast<int>(text.size());
  int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text.data(), size,
                              nullptr, 0);
  if (n <= 0) return false;
  wide->resize(static_cast<size_t>(n));
  n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text.data(), size,
                          &(*wide)[0], n);
  if (n <= 0) return false;
  wide->resize(static_cast<size_t>(n));
  return true;
}

bool NarrowExact(UINT codePage, const std::wstring& wide, std::string* text) {
  text->clear();
  if (wide.empty()) return true;
  const UINT cp = Resolve(codePage);
  const int size = static_cast<int>(wide.size());
  // UTF-8 as the system code page takes neither the best-fit flag nor the
  // default-character test; it can fail only on a lone surrogate.
  const bool utf8 = cp == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = utf8 ? nullptr : &usedDefault;
  int n = WideCharToMultiByte(cp, flags, wide.data(), size, nullptr, 0,
                              nullptr, used);
  if (n <= 0 || usedDefault) return false;
  text->resize(static_cast<size_t>(n));
  n = WideCharToMultiByte(cp, flags, wide.data(), size, &(*text)[0], n,
                          nullptr, used);
  if (n <= 0 || usedDefault) return false;
  text->resize(static_cast<size_t>(n));
  // Some code pages map a character to a byte that reads back as another
  // one; only a round trip proves the bytes name the same thing.
  std::wstring back;
  return WidenExact(cp, *text, &back) && back == wide;
}

std::wstring ShortPath(const std::wstring& path) {
  DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return std::wstring();
  std::wstring buffer(n, L'\0');
  n = GetShortPathNameW(path.c_str(), &buffer[0], n);
  if (n == 0 || n >= buffer.size()) return std::wstring();
  buffer.resize(n);
  return buffer;
}

bool ToAnsiOrShort(const std::wstring& wide, std::string* text) {
  if (ToAnsi(wide, text)) return true;
  std::wstring shortPath = ShortPath(wide);
  return !shortPath.empty() && ToAnsi(shortPath, text);
}

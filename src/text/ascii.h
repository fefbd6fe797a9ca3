#pragma once

#include <string>
#include <string_view>

// Case folding here is ASCII only: names are stored as OEM bytes, and a
// locale-aware fold would change letters above 127 from one code page to
// the next.
constexpr char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string UpperAscii(std::string text) {
  for (char& c : text) c = UpperAscii(c);
  return text;
}

inline bool EqualUpperAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

// Drive number 1..26 of an upper-case drive letter, or 0 for anything else.
constexpr int DriveNumberOfLetter(char c) {
  return (c >= 'A' && c <= 'Z') ? c - 'A' + 1 : 0;
}

constexpr char LetterOfDrive(int driveNumber) {
  return static_cast<char>('A' + driveNumber - 1);
}

// True for "D:..." (a letter of either case and a colon): a drive path.
// Anything else the seam takes as a host path and uses unchanged.
inline bool IsDrivePath(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         DriveNumberOfLetter(UpperAscii(path[0])) != 0;
}

// Drawing the tree-mode screen: drive line, list window, status line and the
// cursor bar.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Prepares a loaded drive for BuildPrefixRange and TreePrefix.
void BuildTreePrefixes(int driveNumber);
// Tree prefixes of entries first..last of a drive, into (*out)[0..]; the
// cost is the number of entries plus a few hundred.
void BuildPrefixRange(int driveNumber, int first, int last, std::vector<std::string>* out);
std::string TreePrefix(int driveNumber, int entry);
// The name shown for an entry; a view into `path`.
std::string_view EntryName(std::string_view path);
void DrawTreeScreen();
void DrawListWindow(int driveNumber);
void DrawStatusLine();
void DrawCursorBar(bool on);

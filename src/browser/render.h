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
// `path` in at most `cells` cells: whole when it fits, else its head (the
// drive's root), "..", and as much of its end as fits.
std::string CutMiddle(const std::string& path, int cells);
// Takes the window's new size as the layout's and refits every drive's list
// window to it, the selection kept in view.  Draws nothing.
void FollowScreenSize();
void DrawTreeScreen();
void DrawListWindow(int driveNumber);
void DrawStatusLine();
void DrawCursorBar(bool on);

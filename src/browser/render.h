// Drawing the tree-mode screen: drive line, list window, status line and the
// cursor bar.
#pragma once

#include <string>

void BuildTreePrefixes(int driveNumber);
std::string EntryName(const std::string& path);
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

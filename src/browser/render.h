// Drawing the tree-mode screen: drive line, list window, status line and the
// cursor bar.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/tree_prefixes.h"

// The name shown for an entry; a view into `path`.
std::string_view EntryName(std::string_view path);
// `path` in at most `cells` cells: whole when it fits, else its head (the
// drive's root), "..", and as much of its end as fits.
std::string CutMiddle(const std::string& path, int cells);
// Takes the window's new size as the layout's and refits every drive's list
// window to it, the selection kept in view.  Draws nothing.
void FollowScreenSize();
void DrawTreeScreen();
// DrawTreeScreen, after FollowScreenSize when the window has been resized.
void RedrawTree(bool resized);
void DrawListWindow(int driveNumber);
void DrawStatusLine();
void DrawCursorBar(bool on);

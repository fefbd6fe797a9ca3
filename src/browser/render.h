// Drawing the tree-mode screen: drive line, list window, status line and the
// cursor bar.
#pragma once

#include <string>

void BuildTreePrefixes(int driveNumber);
std::string EntryName(const std::string& path);
void DrawTreeScreen();
void DrawListWindow(int driveNumber);
void DrawStatusLine();
void DrawCursorBar(bool on);

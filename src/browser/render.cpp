#include "browser/render.h"

// Not built yet.
void BuildTreePrefixes(int) {}
std::string EntryName(const std::string& path) { return path; }
void DrawTreeScreen() {}
void DrawListWindow(int) {}
void DrawStatusLine() {}
void DrawCursorBar(bool) {}

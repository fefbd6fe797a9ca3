// Moving the selection of a list shown in a window of rows, without drawing:
// the tree's list window and the jump's chooser page the same way.
#pragma once

#include <optional>

enum class ListMove { kUp, kDown, kPageUp, kPageDown, kHome, kEnd };

struct ListWindow {
  int selected = 1;  // 1..count
  int top = 1;       // the entry on the window's first row
};

struct ListStep {
  ListWindow window;
  bool redraw = false;  // the window shows other entries than before
};

// Home and End either always redraw the window or only when the selection
// moved; the tree does the former, the chooser the latter.
enum class JumpRedraw { kAlways, kWhenMoved };

// The move of a cursor key, or none for any other key.
std::optional<ListMove> ListMoveOfKey(int key);

// A page key first goes to the window's edge and only then turns the page.
ListStep MoveInList(ListWindow w, ListMove move, int rows, int count,
                    JumpRedraw jumps = JumpRedraw::kWhenMoved);

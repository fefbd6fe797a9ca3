#include "crt32/list_window.h"

#include <algorithm>

#include "crt32/key_codes.h"

std::optional<ListMove> ListMoveOfKey(int key) {
  switch (key) {
    case kKeyUp: return ListMove::kUp;
    case kKeyDown: return ListMove::kDown;
    case kKeyPgUp: return ListMove::kPageUp;
    case kKeyPgDn: return ListMove::kPageDown;
    case kKeyHome: return ListMove::kHome;
    case kKeyEnd: return ListMove::kEnd;
    default: return std::nullopt;
  }
}

ListStep MoveInList(ListWindow w, ListMove move, int rows, int count, JumpRedraw jumps) {
  int& s = w.selected;
  int& top = w.top;
  bool redraw = false;
  switch (move) {
    case ListMove::kUp:
      if (s > 1) {
        --s;
        if (s < top) {
          top = s;
          redraw = true;
        }
      }
      break;
    case ListMove::kDown:
      if (s < count) {
        ++s;
        if (s > top + rows - 1) {
          top = s - rows + 1;
          redraw = true;
        }
      }
      break;
    case ListMove::kPageUp:
      if (s > top) {
        s = top;
      } else {
        top = std::max(1, top - rows);
        s = top;
        redraw = true;
      }
      break;
    case ListMove::kPageDown:
      if (s - top < rows - 1) {
        s = std::min(top + rows - 1, count);
      } else {
        s = std::min(s + rows, count);
        top = std::max(1, s - (rows - 1));
        redraw = true;
      }
      break;
    case ListMove::kHome:
      redraw = jumps == JumpRedraw::kAlways || s > 1;
      if (redraw) s = top = 1;
      break;
    case ListMove::kEnd:
      redraw = jumps == JumpRedraw::kAlways || s < count;
      if (redraw) {
        s = count;
        top = std::max(1, count - (rows - 1));
      }
      break;
  }
  return ListStep{w, redraw};
}

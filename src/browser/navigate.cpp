#include "browser/navigate.h"

#include <optional>

#include "browser/delete.h"
#include "browser/help.h"
#include "browser/print.h"
#include "browser/render.h"
#include "browser/speed_search.h"
#include "crt32/list_window.h"
#include "crt32/screen.h"
#include "scanner/rescan.h"
#include "crt32/key_codes.h"
#include "store/drive_table.h"

namespace {


void EndSpeedSearch() {
  if (!prog.searchText.empty()) DrawTreeScreen();
}


bool AnyDriveHasEntries() {
  for (int d = 1; d <= 26; ++d)
    if (HasEntries(d)) return true;
  return false;
}

int Depth(const DriveTree& t, int e) { return t.depths[static_cast<size_t>(e)]; }

// Keeps the selection on screen after it moved up.
void FollowUp(DriveTree& t, int d) {
  if (t.currentEntry < t.topEntry) {
    t.topEntry = t.currentEntry;
    DrawListWindow(d);
  }
}

// A new window size: the same drive and selection, laid out anew; a speed
// search goes on.
void FollowNewSize() {
  FollowScreenSize();
  std::string search = prog.searchText;
  DrawTreeScreen();
  prog.searchText = search;
  if (!search.empty()) ShowSpeedSearchLine();
}

void SwitchDrive(int step) {
  // With no drive to show the wrap-around search would never end.
  if (!AnyDriveHasEntries()) return;
  int d = prog.currentDrive;
  if (d < 0 || d > 27) d = 0;
  const int end = step > 0 ? 27 : 0;
  do d += step; while (d != end && !HasEntries(d));
  if (d == end) {
    d = step > 0 ? 0 : 27;
    do d += step; while (!HasEntries(d));
  }
  prog.currentDrive = d;
  DrawTreeScreen();
}

// Up, Down, Right, the page keys, Home and End: through the list window;
// false for any other key.
bool ListKey(int key, int d) {
  DriveTree& t = Drive(d);
  const int n = t.entryCount;
  int& s = t.currentEntry;
  // Right goes down the tree like Down.
  const std::optional<ListMove> move =
      key == kKeyRight ? std::optional<ListMove>(ListMove::kDown) : ListMoveOfKey(key);
  if (!move) return false;
  // Lines scroll within the rows the drive uses; a page is the whole list
  // window even for a drive too short to fill it.
  const bool page = *move == ListMove::kPageUp || *move == ListMove::kPageDown;
  const int rows = page ? prog.ScreenRows - 2 : t.rowsUsed;
  // Up and Down at the list's ends leave a speed search running.
  if ((*move != ListMove::kUp || s > 1) && (*move != ListMove::kDown || s < n))
    EndSpeedSearch();
  const ListStep step = MoveInList({s, t.topEntry}, *move, rows, n, JumpRedraw::kAlways);
  s = step.window.selected;
  t.topEntry = step.window.top;
  if (step.redraw) DrawListWindow(d);
  return true;
}

// Left, Ctrl-Up and Ctrl-Down: along the tree's levels; false for any other
// key.
bool LevelKey(int key, int d) {
  DriveTree& t = Drive(d);
  const int n = t.entryCount;
  const int w = t.rowsUsed;
  int& s = t.currentEntry;
  int& top = t.topEntry;
  switch (key) {
    case kKeyLeft:
      if (s > 1) {
        EndSpeedSearch();
        const int level = Depth(t, s);
        do --s; while (s > 1 && Depth(t, s) >= level);
        FollowUp(t, d);
      }
      return true;
    case kKeyCtrlUp:
      if (s > 1) {
        EndSpeedSearch();
        for (int e = s - 1; e >= 2; --e) {
          if (Depth(t, e) == Depth(t, s)) {
            s = e;
            break;
          }
        }
        FollowUp(t, d);
      }
      return true;
    case kKeyCtrlDown:
      if (s < n) {
        EndSpeedSearch();
        for (int e = s + 1; e <= n; ++e) {
          if (Depth(t, e) == Depth(t, s)) {
            // Entry 2 would only be found from the root, which is never
            // meant to jump.
            if (e > 2) s = e;
            break;
          }
        }
        if (s - top > w - 1) {
          top = s - w + 1;
          DrawListWindow(d);
        }
      }
      return true;
    default:
      return false;
  }
}

// The keys that move the selection within the shown drive; false for any
// other key.
bool MoveKey(int key, int d) { return ListKey(key, d) || LevelKey(key, d); }

}  // namespace

void DispatchKey() {
  const int d = prog.currentDrive;
  const bool shown = HasEntries(d);
  const int key = prog.LastKey;
  if (key == kKeyResize) {
    FollowNewSize();
    return;
  }
  if (shown && MoveKey(key, d)) return;
  switch (key) {
    case kKeyTab:
      SwitchDrive(+1);
      return;
    case kKeyShiftTab:
      SwitchDrive(-1);
      return;
    case kKeyEnter:
      if (shown && Drive(d).present) return;
      prog.LastKey = 0;
      Beep();
      EndSpeedSearch();
      return;
    case kKeyEsc:
      if (!prog.searchText.empty()) {
        prog.LastKey = 0;
        DrawTreeScreen();
      }
      return;
    case kKeyF1:
      ShowHelpScreen();
      return;
    case kKeyF2:
      EndSpeedSearch();
      scanner.scanAttributes = 16;
      RescanDrives(RedrawTree);
      return;
    case kKeyShiftF2:
      scanner.scanAttributes = 63;
      RescanDrives(RedrawTree);
      return;
    default:
      break;
  }
  // Everything below works on the shown drive's entries.
  if (!shown) return;
  switch (key) {
    case kKeyAltP:
      PrintTree();
      return;
    case kKeyDelete:
      DeleteDirectoryFromScanFile();
      return;
    case kKeyCtrlDelete:
      DeleteDriveFromScanFile();
      return;
    default:
      SpeedSearchKey(key);
      return;
  }
}

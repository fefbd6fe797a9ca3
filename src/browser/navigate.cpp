#include "browser/navigate.h"

#include "browser/delete.h"
#include "browser/help.h"
#include "browser/print.h"
#include "browser/render.h"
#include "browser/speed_search.h"
#include "crt32/screen.h"
#include "scanner/rescan.h"
#include "store/drive_table.h"

namespace {

enum : int {
  kTab = 9,
  kEnter = 13,
  kEsc = 27,
  kShiftTab = -15,
  kAltP = -25,
  kF1 = -59,
  kF2 = -60,
  kHome = -71,
  kUp = -72,
  kPgUp = -73,
  kLeft = -75,
  kRight = -77,
  kEnd = -79,
  kDown = -80,
  kPgDn = -81,
  kDelete = -83,
  kShiftF2 = -85,
  kCtrlUp = -141,
  kCtrlDown = -145,
  kCtrlDelete = -255,
};

void EndSpeedSearch() {
  if (!prog.searchText.empty()) DrawTreeScreen();
}

bool HasEntries(int d) { return d >= 1 && d <= 26 && Drive(d).entryCount > 0; }

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

// The keys that move the selection within the shown drive; false for any
// other key.
bool MoveKey(int key, int d) {
  DriveTree& t = Drive(d);
  const int n = t.entryCount;
  const int w = t.rowsUsed;
  const int r = prog.ScreenRows;
  int& s = t.currentEntry;
  int& top = t.topEntry;
  switch (key) {
    case kUp:
      if (s > 1) {
        EndSpeedSearch();
        --s;
        FollowUp(t, d);
      }
      return true;
    case kDown:
    case kRight:
      if (s < n) {
        EndSpeedSearch();
        ++s;
        if (s - top > w - 1) {
          ++top;
          DrawListWindow(d);
        }
      }
      return true;
    case kLeft:
      if (s > 1) {
        EndSpeedSearch();
        const int level = Depth(t, s);
        do --s; while (s > 1 && Depth(t, s) >= level);
        FollowUp(t, d);
      }
      return true;
    case kCtrlUp:
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
    case kCtrlDown:
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
    case kPgDn:
      EndSpeedSearch();
      if (s - top < r - 3) {
        s = top + r - 3;
        if (s > n) s = n;
      } else {
        s += r - 2;
        if (s > n) s = n;
        top = s - (r - 3);
        if (top < 1) top = 1;
        DrawListWindow(d);
      }
      return true;
    case kPgUp:
      EndSpeedSearch();
      if (s > top) {
        s = top;
      } else {
        top -= r - 2;
        if (top < 1) top = 1;
        s = top;
        DrawListWindow(d);
      }
      return true;
    case kHome:
      EndSpeedSearch();
      s = 1;
      top = 1;
      DrawListWindow(d);
      return true;
    case kEnd:
      EndSpeedSearch();
      top = n - w + 1;
      s = n;
      DrawListWindow(d);
      return true;
    default:
      return false;
  }
}

}  // namespace

void DispatchKey() {
  const int d = prog.currentDrive;
  const bool shown = HasEntries(d);
  const int key = prog.LastKey;
  if (shown && MoveKey(key, d)) return;
  switch (key) {
    case kTab:
      SwitchDrive(+1);
      return;
    case kShiftTab:
      SwitchDrive(-1);
      return;
    case kEnter:
      if (shown && Drive(d).present) return;
      prog.LastKey = 0;
      Beep();
      EndSpeedSearch();
      return;
    case kEsc:
      if (!prog.searchText.empty()) {
        prog.LastKey = 0;
        DrawTreeScreen();
      }
      return;
    case kF1:
      ShowHelpScreen();
      return;
    case kF2:
      EndSpeedSearch();
      scanner.scanAttributes = 16;
      RescanDrives();
      return;
    case kShiftF2:
      scanner.scanAttributes = 63;
      RescanDrives();
      return;
    default:
      break;
  }
  // Everything below works on the shown drive's entries.
  if (!shown) return;
  switch (key) {
    case kAltP:
      PrintTree();
      return;
    case kDelete:
      DeleteDirectoryFromScanFile();
      return;
    case kCtrlDelete:
      DeleteDriveFromScanFile();
      return;
    default:
      SpeedSearchKey(key);
      return;
  }
}

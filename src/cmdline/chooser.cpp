// The pop-up chooser of the directory jump.
#include <algorithm>
#include <string>

#include "cmdline/jump.h"
#include "crt32/console.h"
#include "crt32/key_codes.h"
#include "crt32/keyboard.h"
#include "crt32/text_cells.h"

namespace {

constexpr int kBoxColumn = 5;
constexpr int kFirstRow = 7;  // row of the window's first candidate
constexpr int kTextColumn = 7;  // a blank, then the candidate's text
constexpr int kWindowRows = 10;
constexpr int kTextCells = 64;  // room for a candidate's text in a row

struct Chooser {
  const CandidateList& list;
  int topCandidate = 1;
  int selectedCandidate = 1;

  int Count() const { return static_cast<int>(list.items.size()); }
};

std::string BoxRow(char left, char inner, char right) {
  return std::string(" ") + left + std::string(66, inner) + right + " ";
}

void DrawBox(const CandidateList& list) {
  const char dh = '\xCD', dv = '\xBA';
  WriteAtSlot(kBoxColumn, 4, 1, BoxRow('\xC9', dh, '\xBB'));
  WriteAtSlot(kBoxColumn, 5, 1, BoxRow(dv, ' ', dv));
  WriteAtSlot(kBoxColumn, 6, 1, BoxRow('\xCC', dh, '\xB9'));
  for (int row = kFirstRow; row < kFirstRow + kWindowRows; ++row)
    WriteAtSlot(kBoxColumn, row, 1, BoxRow(dv, ' ', dv));
  WriteAtSlot(kBoxColumn, 17, 1, BoxRow('\xCC', dh, '\xB9'));
  std::string legend =
      " Cursor: \x18 \x19  Select: Enter  Quit: Esc" + std::string(28, ' ');
  WriteAtSlot(kBoxColumn, 18, 1, " " + std::string(1, dv) + legend + dv + " ");
  WriteAtSlot(kBoxColumn, 19, 1, BoxRow('\xC8', dh, '\xBC'));
  WriteAtSlot(11, 5, 2, "Kestrin 95 v1.00");
  WriteAtSlot(47, 18, 4, "Exact: " + std::to_string(list.exactCount));
  WriteAtSlot(59, 18, 5, "Partial: " + std::to_string(list.partialCount));
}

void DrawCandidate(const Chooser& ch, int n, bool highlighted) {
  const Candidate& c = ch.list.items[static_cast<size_t>(n - 1)];
  const std::string& path = c.path;
  size_t start = std::min(static_cast<size_t>(c.matchPosition - 1), path.size());
  size_t length = std::min(static_cast<size_t>(ch.list.patternLength),
                           path.size() - start);
  std::string before = ScreenName(path.substr(0, start));
  std::string match = ScreenName(path.substr(start, length));
  std::string after = ScreenName(path.substr(start + length));

  int tail = TextCells(match) + TextCells(after);
  if (TextCells(before) + tail > kTextCells) {
    if (tail <= kTextCells - 2) {
      before = CutToCells(before, kTextCells - 2 - tail) + "..";
    } else {
      // Even the matched name does not fit: keep its head, and mark the cut
      // at both ends so that the row never runs past the box.
      before = "..";
      std::string rest = CutToCells(match + after, kTextCells - 4);
      if (rest.size() <= match.size()) {
        match = rest;
        after = "..";
      } else {
        after = rest.substr(match.size()) + "..";
      }
    }
  }
  int shown = TextCells(before) + TextCells(match) + TextCells(after);

  int normal = highlighted ? 6 : 3;
  int matchSlot = n <= ch.list.exactCount ? (highlighted ? 7 : 4)
                                          : (highlighted ? 8 : 5);
  int row = kFirstRow + (n - ch.topCandidate);
  int column = kTextColumn;
  WriteAtSlot(column, row, normal, " " + before);
  column += 1 + TextCells(before);
  WriteAtSlot(column, row, matchSlot, match);
  column += TextCells(match);
  WriteAtSlot(column, row, normal,
              after + std::string(static_cast<size_t>(65 - shown), ' '));
}

void DrawCandidateWindow(const Chooser& ch) {
  int last = std::min(ch.topCandidate + kWindowRows - 1, ch.Count());
  for (int n = ch.topCandidate; n <= last; ++n) DrawCandidate(ch, n, false);
}

}  // namespace

int RunChooser(const CandidateList& list) {
  Chooser ch{list};
  const int count = ch.Count();
  HideCursor();
  DrawBox(list);
  DrawCandidateWindow(ch);
  for (;;) {
    DrawCandidate(ch, ch.selectedCandidate, true);
    int key = ReadKeyCode(false);
    DrawCandidate(ch, ch.selectedCandidate, false);
    int& sel = ch.selectedCandidate;
    int& top = ch.topCandidate;
    switch (key) {
      case kKeyUp:
        if (sel > 1) {
          --sel;
          if (sel < top) {
            --top;
            DrawCandidateWindow(ch);
          }
        }
        break;
      case kKeyDown:
        if (sel < count) {
          ++sel;
          if (sel > top + kWindowRows - 1) {
            ++top;
            DrawCandidateWindow(ch);
          }
        }
        break;
      case kKeyPgUp:
        if (sel > top) {
          sel = top;
        } else {
          top = std::max(1, top - kWindowRows);
          sel = top;
          DrawCandidateWindow(ch);
        }
        break;
      case kKeyPgDn:
        if (sel - top < kWindowRows - 1) {
          sel = std::min(top + kWindowRows - 1, count);
        } else {
          sel = std::min(sel + kWindowRows, count);
          top = std::max(1, sel - (kWindowRows - 1));
          DrawCandidateWindow(ch);
        }
        break;
      case kKeyHome:
        if (sel > 1) {
          sel = top = 1;
          DrawCandidateWindow(ch);
        }
        break;
      case kKeyEnd:
        if (sel < count) {
          sel = count;
          top = std::max(1, count - (kWindowRows - 1));
          DrawCandidateWindow(ch);
        }
        break;
      case kKeyEnter:
        return sel;
      case kKeyEsc:
        return 0;
      default:
        break;
    }
  }
}

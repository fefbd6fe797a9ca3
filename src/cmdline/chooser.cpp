// The pop-up chooser of the directory jump.
#include <algorithm>
#include <optional>
#include <string>

#include "cmdline/jump.h"
#include "crt32/console.h"
#include "crt32/key_codes.h"
#include "crt32/keyboard.h"
#include "text/text_cells.h"
#include "crt32/list_window.h"
#include "crt32/screen_layout.h"

namespace {

// The box's place and size: 70 columns at column 5 with ten
// candidate rows from row 7, smaller only in a terminal that has no room
// for it.
struct Geometry {
  int column = 5;      // the box row's first cell (a blank before the border)
  int inner = 66;      // cells between the borders
  int top = 4;         // the top border's row
  int windowRows = 10;  // candidate rows

  int FirstRow() const { return top + 3; }
  int TextColumn() const { return column + 2; }  // a blank, then the text
  int TextRoom() const { return inner - 2; }
};

Geometry FitToScreen() {
  Geometry g;
  if (!ConsoleFollowsWindow()) return g;
  const int width = LayoutColumns();
  const int rows = ScreenRows();
  if (g.column + g.inner + 4 > width) {
    g.column = 0;
    g.inner = std::max(8, width - 4);
  }
  // Six rows of frame, title and legend around the candidates.
  if (g.top + 6 + g.windowRows > rows) {
    g.top = std::max(0, rows - 6 - g.windowRows);
    g.windowRows = std::max(1, std::min(10, rows - 6));
  }
  return g;
}

struct Chooser {
  const CandidateList& list;
  Geometry g;
  int topCandidate = 1;
  int selectedCandidate = 1;

  int Count() const { return static_cast<int>(list.items.size()); }
};

std::string BoxRow(const Geometry& g, char left, char inner, char right) {
  return std::string(" ") + left + std::string(static_cast<size_t>(g.inner), inner) + right + " ";
}

void DrawBox(const Chooser& ch) {
  const Geometry& g = ch.g;
  const CandidateList& list = ch.list;
  const char dh = '\xCD', dv = '\xBA';
  const int last = g.FirstRow() + g.windowRows;  // the lower separator
  WriteAtSlot(g.column, g.top, slot::kBox, BoxRow(g, '\xC9', dh, '\xBB'));
  WriteAtSlot(g.column, g.top + 1, slot::kBox, BoxRow(g, dv, ' ', dv));
  WriteAtSlot(g.column, g.top + 2, slot::kBox, BoxRow(g, '\xCC', dh, '\xB9'));
  for (int row = g.FirstRow(); row < last; ++row)
    WriteAtSlot(g.column, row, slot::kBox, BoxRow(g, dv, ' ', dv));
  WriteAtSlot(g.column, last, slot::kBox, BoxRow(g, '\xCC', dh, '\xB9'));
  std::string exact = "Exact: " + std::to_string(list.exactCount);
  std::string partial = "Partial: " + std::to_string(list.partialCount);
  // The counts stand at their columns (40 and 52 inside the border) while
  // the box has its full width; a narrower one keeps them at its right end
  // and shortens the legend before them.
  int exactAt = 40, partialAt = 52;
  std::string legend = " Cursor: \x18 \x19  Select: Enter  Quit: Esc";
  if (partialAt + TextCells(partial) > g.inner) {
    partialAt = g.inner - TextCells(partial) - 1;
    exactAt = partialAt - TextCells(exact) - 2;
    if (static_cast<int>(legend.size()) > exactAt - 1) legend = " Select: Enter  Quit: Esc";
  }
  legend = CutToCells(legend, std::max(0, exactAt - 1));
  legend += std::string(static_cast<size_t>(g.inner - static_cast<int>(legend.size())), ' ');
  WriteAtSlot(g.column, last + 1, slot::kBox, " " + std::string(1, dv) + legend + dv + " ");
  WriteAtSlot(g.column, last + 2, slot::kBox, BoxRow(g, '\xC8', dh, '\xBC'));
  WriteAtSlot(g.column + 6, g.top + 1, slot::kBoxTitle, CutToCells(kProgramTitle, g.inner - 4));
  if (exactAt >= 1) {
    WriteAtSlot(g.column + 2 + exactAt, last + 1, slot::kExactMatch, exact);
    WriteAtSlot(g.column + 2 + partialAt, last + 1, slot::kPartialMatch, CutToCells(partial, g.inner - partialAt));
  }
}

void DrawCandidate(const Chooser& ch, int n, bool highlighted) {
  const Geometry& g = ch.g;
  const int textCells = g.TextRoom();
  const Candidate& c = ch.list.items[static_cast<size_t>(n - 1)];
  const std::string& path = c.path;
  size_t start = std::min(static_cast<size_t>(c.matchPosition - 1), path.size());
  size_t length = std::min(static_cast<size_t>(ch.list.patternLength),
                           path.size() - start);
  std::string before = ScreenName(path.substr(0, start));
  std::string match = ScreenName(path.substr(start, length));
  std::string after = ScreenName(path.substr(start + length));

  int tail = TextCells(match) + TextCells(after);
  if (TextCells(before) + tail > textCells) {
    if (tail <= textCells - 2) {
      before = CutToCells(before, textCells - 2 - tail) + "..";
    } else {
      // Even the matched name does not fit: keep its head, and mark the cut
      // at both ends so that the row never runs past the box.
      before = "..";
      std::string rest = CutToCells(match + after, textCells - 4);
      if (rest.size() <= match.size()) {
        match = rest;
        after = "..";
      } else {
        after = rest.substr(match.size()) + "..";
      }
    }
  }
  int shown = TextCells(before) + TextCells(match) + TextCells(after);

  int normal = highlighted ? slot::kCandidateBar : slot::kCandidate;
  int matchSlot = n <= ch.list.exactCount
                      ? (highlighted ? slot::kExactMatchBar : slot::kExactMatch)
                      : (highlighted ? slot::kPartialMatchBar : slot::kPartialMatch);
  int row = g.FirstRow() + (n - ch.topCandidate);
  int column = g.TextColumn();
  WriteAtSlot(column, row, normal, " " + before);
  column += 1 + TextCells(before);
  WriteAtSlot(column, row, matchSlot, match);
  column += TextCells(match);
  WriteAtSlot(column, row, normal,
              after + std::string(static_cast<size_t>(std::max(0, textCells + 1 - shown)), ' '));
}

void DrawCandidateWindow(const Chooser& ch) {
  int last = std::min(ch.topCandidate + ch.g.windowRows - 1, ch.Count());
  for (int n = ch.topCandidate; n <= last; ++n) DrawCandidate(ch, n, false);
}

// A new window size: the box drawn anew for it, the selection kept in view.
void FollowNewSize(Chooser& ch) {
  ch.g = FitToScreen();
  const int rows = ch.g.windowRows;
  int& top = ch.topCandidate;
  top = std::min(top, std::max(1, ch.Count() - rows + 1));
  if (ch.selectedCandidate > top + rows - 1) top = ch.selectedCandidate - rows + 1;
  if (ch.selectedCandidate < top) top = ch.selectedCandidate;
  ClearScreen();
  DrawBox(ch);
  DrawCandidateWindow(ch);
}

}  // namespace

int RunChooser(const CandidateList& list) {
  Chooser ch{list, FitToScreen()};
  const int count = ch.Count();
  HideCursor();
  DrawBox(ch);
  DrawCandidateWindow(ch);
  for (;;) {
    DrawCandidate(ch, ch.selectedCandidate, true);
    int key = ReadKeyCode(false);
    DrawCandidate(ch, ch.selectedCandidate, false);
    int& sel = ch.selectedCandidate;
    if (const std::optional<ListMove> move = ListMoveOfKey(key)) {
      const ListStep step =
          MoveInList({sel, ch.topCandidate}, *move, ch.g.windowRows, count);
      sel = step.window.selected;
      ch.topCandidate = step.window.top;
      if (step.redraw) DrawCandidateWindow(ch);
      continue;
    }
    switch (key) {
      case kKeyEnter:
        return sel;
      case kKeyEsc:
        return 0;
      case kKeyResize:
        FollowNewSize(ch);
        break;
      default:
        break;
    }
  }
}

#include "crt32/list_window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ListWindow, MovesKeepTheSelectionInsideTheListAndTheWindow) {
  struct Case {
    ListWindow from;
    ListMove move;
    int count;
    JumpRedraw jumps;
    ListWindow to;
    bool redraw;
  };
  const auto kW = JumpRedraw::kWhenMoved, kA = JumpRedraw::kAlways;
  // A window of 5 rows.
  const Case cases[] = {
      {{1, 1}, ListMove::kUp, 20, kW, {1, 1}, false},       // at the top
      {{6, 6}, ListMove::kUp, 20, kW, {5, 5}, true},        // scrolls one row
      {{5, 1}, ListMove::kDown, 20, kW, {6, 2}, true},
      {{20, 16}, ListMove::kDown, 20, kW, {20, 16}, false},  // at the end
      {{3, 1}, ListMove::kPageDown, 20, kW, {5, 1}, false},  // first to the edge
      {{5, 1}, ListMove::kPageDown, 20, kW, {10, 6}, true},  // then a page
      {{18, 14}, ListMove::kPageDown, 20, kW, {20, 16}, true},
      {{2, 1}, ListMove::kPageDown, 3, kW, {3, 1}, false},   // short list
      {{8, 6}, ListMove::kPageUp, 20, kW, {6, 6}, false},
      {{6, 6}, ListMove::kPageUp, 20, kW, {1, 1}, true},
      {{3, 3}, ListMove::kPageUp, 20, kW, {1, 1}, true},     // not past entry 1
      {{1, 1}, ListMove::kHome, 20, kW, {1, 1}, false},
      {{1, 1}, ListMove::kHome, 20, kA, {1, 1}, true},
      {{9, 7}, ListMove::kHome, 20, kW, {1, 1}, true},
      {{9, 7}, ListMove::kEnd, 20, kW, {20, 16}, true},
      {{2, 1}, ListMove::kEnd, 3, kW, {3, 1}, true},         // no top below 1
      {{20, 16}, ListMove::kEnd, 20, kW, {20, 16}, false},
  };
  for (const Case& c : cases) {
    const ListStep step = MoveInList(c.from, c.move, 5, c.count, c.jumps);
    const std::string where = "from " + std::to_string(c.from.selected) + "/" +
                              std::to_string(c.from.top) + " move " +
                              std::to_string(static_cast<int>(c.move));
    EXPECT_EQ(step.window.selected, c.to.selected) << where;
    EXPECT_EQ(step.window.top, c.to.top) << where;
    EXPECT_EQ(step.redraw, c.redraw) << where;
  }
}

}  // namespace

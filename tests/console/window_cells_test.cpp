// The window display's arithmetic: the cell a resized client area asks the
// font for, the grid centred in what is left over, and the cell under a click.
#include <gtest/gtest.h>

#include "client/console/window_cells.h"

namespace {

TEST(WindowCells, TheCellThatFillsTheClientArea) {
  struct Case {
    int width, height;
    int cell_width, cell_height;
  } cases[] = {
      {800, 500, 10, 20},    // the window as it opens
      {1000, 700, 12, 28},   // larger: whole pixels only
      {640, 400, 8, 16},     // smaller
      {79, 24, 1, 1},        // too small for a pixel a cell: one all the same
      {0, 0, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    CellSize cell = CellSizeToFill(c.width, c.height, 25, 80);
    EXPECT_EQ(cell.width, c.cell_width);
    EXPECT_EQ(cell.height, c.cell_height);
  }
}

// A font that came out 12 x 27 in 1000 x 700 leaves 40 and 25 pixels over:
// the grid starts 20 and 12 pixels in. Clicks map to cells up to the grid's
// last pixel and not beyond.
TEST(WindowCells, TheGridIsCentredAndClicksFindTheirCell) {
  GridPlace place = PlaceGrid(1000, 700, 25, 80, CellSize{12, 27});
  EXPECT_EQ(place.x, 20);
  EXPECT_EQ(place.y, 12);
  EXPECT_EQ(PlaceGrid(100, 100, 25, 80, CellSize{12, 27}).x, 0);  // larger than the area
  struct Case {
    int x, y;
    bool inside;
    int row, column;
  } cases[] = {
      {20, 12, true, 0, 0},
      {31, 38, true, 0, 0},
      {32, 39, true, 1, 1},
      {20 + 960 - 1, 12 + 675 - 1, true, 24, 79},
      {19, 12, false, 0, 0},
      {20, 11, false, 0, 0},
      {20 + 960, 12, false, 0, 0},
      {20, 12 + 675, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "pixel " << c.x << ", " << c.y);
    int row = -1, column = -1;
    ASSERT_EQ(CellUnder(place, 25, 80, c.x, c.y, &row, &column), c.inside);
    if (c.inside) {
      EXPECT_EQ(row, c.row);
      EXPECT_EQ(column, c.column);
    }
  }
}

}  // namespace

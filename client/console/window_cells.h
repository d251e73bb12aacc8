// window_cells.h: the arithmetic of a window that shows the grid in a
// fixed-pitch font: the cell size a font is asked for so that the grid fills
// the client area, where the grid stands in it, and the cell under a pixel.
#pragma once

struct CellSize {
  int width = 0, height = 0;
};

// The largest whole cell with which `rows` x `columns` cells fit the client
// area; at least one pixel each way, however small the area.
CellSize CellSizeToFill(int client_width, int client_height, int rows, int columns);

struct GridPlace {
  int x = 0, y = 0;           // the top left pixel of cell (0, 0)
  CellSize cell;
};

// The grid centred in the client area (never left of or above its corner).
GridPlace PlaceGrid(int client_width, int client_height, int rows, int columns, CellSize cell);

// The cell under the pixel (x, y); false outside the grid.
bool CellUnder(const GridPlace& place, int rows, int columns, int x, int y, int* row, int* column);

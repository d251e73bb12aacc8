// window_cells.cpp: cell size and grid placement of a window display.
#include "client/console/window_cells.h"

#include <algorithm>

CellSize CellSizeToFill(int client_width, int client_height, int rows, int columns) {
  return CellSize{std::max(1, client_width / std::max(1, columns)),
                  std::max(1, client_height / std::max(1, rows))};
}

GridPlace PlaceGrid(int client_width, int client_height, int rows, int columns, CellSize cell) {
  return GridPlace{std::max(0, (client_width - cell.width * columns) / 2),
                   std::max(0, (client_height - cell.height * rows) / 2), cell};
}

bool CellUnder(const GridPlace& place, int rows, int columns, int x, int y, int* row, int* column) {
  if (x < place.x || y < place.y || place.cell.width <= 0 || place.cell.height <= 0)
    return false;
  int r = (y - place.y) / place.cell.height, c = (x - place.x) / place.cell.width;
  if (r >= rows || c >= columns)
    return false;
  *row = r;
  *column = c;
  return true;
}

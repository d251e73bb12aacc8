// msgbox_layout.h: how a message box is cut into display lines and placed on
// a grid of rows x columns.
#pragma once

#include <string>
#include <vector>

struct BoxLayout {
  std::vector<std::string> lines;  // the display lines (all of them)
  int width = 0;                   // W: the width of the text area
  int buttons_width = 0;           // B
  int top = 0, left = 0, bottom = 0, right = 0;
  std::vector<int> button_columns;  // where each button (its leading blank) starts
};

// ";" breaks lines; a line wider than the preferred width is cut at a blank,
// and no display line is wider than columns - 4.
std::vector<std::string> WrapMessage(const std::string& text, int preferred, int widest,
                                     bool* cut_or_broken);

BoxLayout LayOutBox(const std::string& text, const std::vector<std::string>& buttons, int rows,
                    int columns);

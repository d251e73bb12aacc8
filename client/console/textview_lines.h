// textview_lines.h: how the viewer cuts a text into display lines.
#pragma once

#include <string>
#include <vector>

// Lines end at CR LF, LF CR, CR and LF; the pair 0x8D 0x0A is dropped; a tab
// fills up to the next multiple of 4 columns. A line is cut as soon as it
// fills `columns`: after its last blank that is not in its first column, else
// after the last column. A text that ends with a line end or a cut gets one
// empty display line more.
std::vector<std::string> ViewLines(const std::string& text, int columns);

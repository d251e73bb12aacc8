// console.h: the console facilities the client calls on its 25 x 80 window.
// They work on the screen model and then service the display: bring it up to
// date and act on a pending close request (which ends the run with exit
// code 0).
#pragma once

#include <optional>
#include <string>

bool SCREENSIZE(int rows, int columns);
void WINDOWTITLE(const std::string& title);
// Parses the colour text into the colour list; returns the previous list.
std::string SCREENCOLOR(const std::string& colour_text);
void CLEARAREA(std::optional<int> top = {}, std::optional<int> left = {},
               std::optional<int> bottom = {}, std::optional<int> right = {});
void CURSORTO(int row, int column);
void HIDECURSOR();
void SHOWTEXT(const std::string& text, const std::optional<std::string>& colour_text = {});
void PRINTLINE(const std::string& text);
void CAPTUREON(const std::string& file_name);
void CAPTUREOFF();
void FRAMEBOX(int top, int left, int bottom, int right);

// msgbox.h: the two facilities that wait for the user: the modal message box
// and the read-only text viewer.
#pragma once

#include <string>
#include <vector>

#include "foundations/value.h"

// ";" breaks lines. Returns the 1-based number of the chosen button, 0 for
// Esc. Without buttons (or none that is a non-blank text) the box has "Ok".
int MSGBOX(const std::string& text, const std::vector<Value>& buttons = {});

// Shows the text in rows top..bottom, columns left..right until Esc; returns
// the text unchanged.
std::string TEXTVIEW(const std::string& text, int top, int left, int bottom, int right);

// message.h: the program's own message boxes, each opened by the message
// heading PROGINEV of the settings record.
#pragma once

#include <string>

// MSGBOX of PROGINEV followed by the text (";" breaks lines); the heading is
// joined by "+", so a heading that a parameter line made a number raises the
// argument error of "+".
void HeadedMessage(const std::string& text_after_heading);
// HeadedMessage, then the end of the run (exit code 0).
[[noreturn]] void EndWithMessage(const std::string& text_after_heading);

// message.cpp: the headed message boxes.
#include "client/message.h"

#include "client/console/msgbox.h"
#include "client/console/process.h"
#include "foundations/record.h"

void HeadedMessage(const std::string& text_after_heading) {
  MSGBOX(Plus(Settings().Get("PROGINEV"), Value(text_after_heading)).text());
}

void EndWithMessage(const std::string& text_after_heading) {
  HeadedMessage(text_after_heading);
  ENDRUN();
}

// function_steps.cpp: the shared steps of the functions.
#include "client/function_steps.h"

#include "client/console/msgbox.h"
#include "client/console/process.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/record.h"
#include "request/writer.h"

bool HoldsText(const char* name) {
  const Value* value = Settings().Find(name);
  return value && value->is_text();
}

bool HoldsNumber(const char* name) {
  const Value* value = Settings().Find(name);
  return value && value->is_number();
}

void StopWithMessage(const std::string& text_after_heading) {
  MSGBOX(Settings().GetText("PROGINEV") + text_after_heading);
  ENDRUN();
}

void StopCannotCreate(const std::string& path) {
  StopWithMessage(";;" + path + Text852(" nem hozható létre!"));
}

void CreateRequestFile(const std::string& path) {
  F1 = NEWFILE(path);
  if (F1 <= 0)
    StopCannotCreate(path);
  XMLSZINT = 0;
}

void CloseRequestFile(const std::string& path) {
  const bool whole = CloseComplete(F1);
  F1 = kNoFile;
  if (whole)
    return;
  ERASEFILE(path);
  StopCannotCreate(path);
}

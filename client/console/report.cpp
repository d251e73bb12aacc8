// report.cpp: the run-time error report.
#include "client/console/report.h"

#include "client/console/display.h"
#include "client/console/msgbox.h"
#include "client/console/process.h"
#include "client/console/process_platform.h"

namespace {

std::string SystemErrorText(const RunTimeError& error) {
  return "(DOS Error " + std::to_string(error.os_error) + ")";
}

}  // namespace

std::string ErrorMessage(const RunTimeError& error) {
  std::string message = "Error " + error.subsystem + "/" + std::to_string(error.code) + "  " +
                        error.description;
  if (!error.file_name.empty())
    message += ": " + error.file_name;
  else if (!error.operation.empty())
    message += ": " + error.operation;
  return message;
}

std::vector<LevelLine> ErrorLevels(const RunTimeError& error) {
  std::vector<LevelLine> levels;
  if (!error.facility.empty())
    levels.push_back({error.facility, 0});
  for (LevelLine& level : ActiveLevels())
    levels.push_back(std::move(level));
  return levels;
}

std::string ReportText(const RunTimeError& error, const std::vector<LevelLine>& levels) {
  std::string text = "\r\n" + ErrorMessage(error);
  if (error.os_error != 0)
    text += " " + SystemErrorText(error);
  for (const LevelLine& level : levels)
    text += "\r\nCalled from " + level.name + "(" + std::to_string(level.line) + ")  ";
  return text;
}

ErrorAnswer ShowErrorReport(const RunTimeError& error) {
  std::vector<LevelLine> levels = ErrorLevels(error);
  std::string text = ErrorMessage(error);
  if (error.os_error != 0)
    text += ";" + SystemErrorText(error);
  std::vector<Value> buttons{Value("Quit")};
  if (error.can_retry) buttons.push_back(Value("Retry"));
  if (error.can_default) buttons.push_back(Value("Default"));

  int chosen = 0;
  while (chosen == 0)
    chosen = MSGBOX(text, buttons);
  if (chosen > 1) {
    const std::string& label = buttons[static_cast<size_t>(chosen - 1)].text();
    return label == "Retry" ? ErrorAnswer::Retry : ErrorAnswer::Default;
  }
  // The terminal is given back before the report is written to it.
  SetDisplay(MakeHeadlessDisplay());
  WriteStandardError(ReportText(error, levels));
  SetExitCode(1);
  ENDRUN();
}

// process.cpp: the start-up and end of a run, the argument list, the exit code.
#include "client/console/process.h"

#include <cstdio>
#include <new>

#include "client/console/close_signals.h"
#include "client/console/display.h"
#include "client/console/display_choice.h"
#include "client/console/process_platform.h"
#include "client/console/report.h"
#include "client/console/screen.h"

namespace {

struct RunState {
  std::vector<std::string> arguments;
  // Per argument: whether code page 852 held every character of it.
  std::vector<bool> exact;
  int exit_code = 0;
};

RunState& Run() {
  static RunState state;
  return state;
}

bool IsStartupOption(const std::string& argument) { return argument.rfind("//", 0) == 0; }

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

DisplayChoice ChoiceOf(const std::vector<std::string>& options) {
  DisplayChoice choice = DisplayChoice::Automatic;
  for (const std::string& option : options) {
    std::string name = Lower(option);
    if (name == "//tty") choice = DisplayChoice::Tty;
    else if (name == "//headless") choice = DisplayChoice::Headless;
    else if (name == "//x11") choice = DisplayChoice::X11;
  }
  return choice;
}

// The executable's file name without directory and extension.
std::string InitialTitle(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The splitting rule over the characters of either width: only blanks, tabs,
// CR, LF and the double quote are read, and each is one unit in both.
template <typename Text>
std::vector<Text> SplitWords(const Text& command_line) {
  std::vector<Text> arguments;
  Text current;
  bool begun = false, quoted = false;
  for (auto c : command_line) {
    if (c == '"') {
      quoted = !quoted;
      begun = true;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      if (begun) arguments.push_back(current);
      current.clear();
      begun = false;
    } else {
      current += c;
      begun = true;
    }
  }
  if (begun)
    arguments.push_back(current);
  return arguments;
}

}  // namespace

std::vector<std::string> SplitCommandWords(const std::string& command_line) {
  return SplitWords(command_line);
}

std::vector<std::u16string> SplitCommandWords(const std::u16string& command_line) {
  return SplitWords(command_line);
}

std::vector<std::string> SplitCommandLine(const std::string& command_line) {
  std::vector<std::string> arguments = SplitCommandWords(command_line);
  if (!arguments.empty())
    arguments.erase(arguments.begin());
  std::erase_if(arguments, IsStartupOption);
  return arguments;
}

int RunProgram(int argc, char** argv, MainProcedure main_procedure) {
  RunState& run = Run();
  run = RunState{};
  std::vector<std::string> options;
  for (const ProcessArgument& argument : ProcessArguments(argc, argv)) {
    if (IsStartupOption(argument.text)) {
      options.push_back(argument.text);
    } else {
      run.arguments.push_back(argument.text);
      run.exact.push_back(argument.exact);
    }
  }
  TheScreen().Reset(InitialTitle(PROGRAMPATH()));
  InstallCloseSignals();
  SetDisplay(ChooseDisplay(ChoiceOf(options)));
  ErrorHandler previous_handler = SetErrorHandler(ShowErrorReport);

  int code = 1;
  std::string failure;
  try {
    main_procedure(run.arguments.empty() ? Value() : Value(run.arguments.front()));
    code = run.exit_code;
  } catch (const EndRunSignal& end) {
    code = end.exit_code;
  } catch (const std::bad_alloc&) {
    failure = "out of memory";
  } catch (const RaisedError& raised) {
    failure = std::string("unreported run-time error ") + raised.what();
  } catch (const std::exception& e) {
    failure = std::string("unexpected exception: ") + e.what();
  } catch (...) {
    failure = "unexpected exception";
  }

  // Every end closes the capture file and gives the terminal back.
  TheScreen().DropCapture();
  SetDisplay(MakeHeadlessDisplay());
  SetErrorHandler(previous_handler);
  RestoreCloseSignals();
  if (!failure.empty())
    WriteStandardError("internal failure: " + failure + "\n");
  return code;
}

int ARGCOUNT() { return static_cast<int>(Run().arguments.size()); }

std::vector<std::string> Arguments() { return Run().arguments; }

bool ArgumentHeldExactly(size_t index) {
  const std::vector<bool>& exact = Run().exact;
  return index >= exact.size() || exact[index];
}

std::string PROGRAMPATH() { return ExecutablePath(); }

int RUNCOMMAND(const std::string& command_line) {
  RefreshConsole();
  return RunCommandInterpreter(command_line);
}

void ENDRUN() { throw EndRunSignal{Run().exit_code}; }

int ExitCode() { return Run().exit_code; }

void SetExitCode(int code) { Run().exit_code = code; }

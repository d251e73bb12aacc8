// main.cpp: MAIN.
#include "client/main.h"

#include "client/change_log.h"
#include "client/console/console.h"
#include "client/console/process.h"
#include "client/dispatch.h"
#include "client/message.h"
#include "client/parameter_file.h"
#include "client/settings_step.h"
#include "foundations/codepage.h"
#include "foundations/levels.h"
#include "foundations/record.h"
#include "foundations/text.h"

const char kProgramVersion[] = "2022.01";

namespace {

const int kRows = 25;
const int kColumns = 80;

// The console window, cleared, in black on light grey. The run-time error
// report's texts are Hungarian and every text is held in code page 852 from
// the start, so nothing is to be selected for either.
void SetUpConsole() {
  SCREENSIZE(kRows, kColumns);
  SCREENCOLOR("\"n/w\"");
  CLEARAREA();
  CURSORTO(0, 0);
}

}  // namespace

std::string MessageHeading(const std::string& program_path) {
  size_t cut = program_path.find_last_of("/\\");
  std::string name = cut == std::string::npos ? program_path : program_path.substr(cut + 1);
  return UPCASE(name) + "  " + kProgramVersion;
}

void MAIN(const Value& parfajl) {
  ProcLevel level("MAIN");
  Record& settings = Settings();
  SetUpConsole();
  settings.Set("PARFAJL", parfajl);
  level.at(__LINE__);
  if (ValueEq(parfajl, Value("/?")))
    ShowChangeLog();
  WINDOWTITLE(Text852("KVITALINK - online számla kommunikációs modul  ") + kProgramVersion);
  settings.Set("PROGINEV", Value(MessageHeading(PROGRAMPATH())));
  if (ARGCOUNT() != 1)
    EndWithMessage(Text852(";;Paraméter fájl nincs megadva!;;Lsd.: leiras.txt;;;Változások: kvitalink.exe /?"));
  settings.Set("NL", Value("\r\n"));

  level.at(__LINE__);
  ReadParameterFile(parfajl);
  ApplySettings(level);
  level.at(__LINE__);
  RunFunction(ChooseFunction(settings.GetText("FUNKCIO")));
}

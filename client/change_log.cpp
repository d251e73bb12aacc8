// change_log.cpp: the change log and its screen.
#include "client/change_log.h"

#include "client/console/console.h"
#include "client/console/msgbox.h"
#include "client/console/process.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/text.h"

namespace {

const char* const kLines[] = {
    "Verzió      Dátum      Változás",
    "2022.01 - 2022.11.11 - curl.exe hívás módosítása AVAST miatt",
    "2021.03 - 2021.04.08 - paraméter fájlben megadható timeot, ha nincs megadva 60 mp",
    "2021.02 - 2021.03.31 - queryInvoiceData-nál a szállító adószáma a taxnumber2 paraméterben",
    "2020.08 - 2021.01.05 - XSD 3.0-nál <ns4:\"",
    "2020.07 - 2020.12.12 - XSD 3.0 módosítása miatt passwordHash cryptoType=\"SHA-512\"",
    "2020.06 - 2020.10.12 - XSD 3.0 a tesztoldalon",
    "2020.05 - 2020.10.07 - queryInvoiceData javítás, ha szóköz van a számlaszámban",
    "2020.04 - 2020.08.24 - queryInvoiceData a bejövő számlákat is le tudja kérdezni",
    "2020.03 - 2020.07.09 - technikai jellegű javítások",
    "2020.02 - 2020.03.01 - queryInvoiceDigest funkció",
    "2020.01 - 2020.02.05 - alert hibaüzenetekben verziószám",
    "2019.03 - 2019.10.19 - XSD 2.0 kezelése, új funkció: queryInvoiceCheck",
    "2019.02 - 2019.05.17 - kisebb javítások a megjelenítésben",
    "2019.01 - 2019.01.31 - új sor a par fájlban: xsdverzio",
    "2018.14 - 2018.11.23 - üzenet a képenyőn a curl.exe hívásakor",
    "2018.13 - 2018.08.14 - hibajelzés, ha a token dekódolás sikertelen",
    "                       (cserekulcs hiba)",
    "2018.12 - 2018.07.05 - KONZOLA",
    "2018.11 - 2018.06.18 - a par fájlban választani lehet az éles vagy a tesztoldal",
    "                       között",
    "2018.10 - 2018.06.05 - javítás a queryTaxpayer miatt",
    "2018.09 - 2018.06.01 - par fájlban charcode:=\"ANSI\" sor",
    "2018.08 - 2018.06.01 - 10 helyett 60 mp timeout a CURL.EXE-nél",
    "2018.07 - 2018.05.30 - AES-128 javítás, a token lehet 48 karakternél hosszabb",
    "2018.06 - 2018.05.28 - queryInvoiceData funkció",
    "2018.05 - 2018.05.25 - compressedContent beállítás kötelező a",
    "                       ManageInvoiceRequest-nél",
    "2018.04 - 2018.05.16 - operation sor a par fájlban (CREATE,MODIFY,STORNO,ANNUL)",
    "2018.03 - 2018.05.05 - queryTaxPayer funkció",
    "2018.02 - 2018.04.10 - a timestamp-hez kell az ezred mp is",
};

const int kScreenWidth = 80;

}  // namespace

const std::vector<std::string>& ChangeLogLines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> out;
    for (const char* line : kLines)
      out.push_back(Text852(line));
    return out;
  }();
  return lines;
}

std::string ChangeLogFileName() { return Text852("kvitalink_változások.txt"); }

void ShowChangeLog() {
  const std::string file = ChangeLogFileName();
  HIDECURSOR();
  CAPTUREON(file);
  for (const std::string& line : ChangeLogLines())
    PRINTLINE(line);
  CAPTUREOFF();
  CLEARAREA();
  CURSORTO(0, 0);
  FRAMEBOX(24, 0, 24, 79);
  CURSORTO(0, 0);
  SHOWTEXT(CENTERTEXT(Text852("Változások a programban"), kScreenWidth), std::string("w/n*"));
  CURSORTO(24, 40);
  SHOWTEXT(std::string(1, '\x19'));
  TEXTVIEW(READWHOLE(Value(file)), 1, 0, 23, 79);
  ERASEFILE(Value(file));
  ENDRUN();
}

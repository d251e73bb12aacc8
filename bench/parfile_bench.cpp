// parfile_bench: reading a parameter file of 1 000 and of 10 000 lines
// (assignments of texts and numbers, comments, "&" references, blank lines)
// into the settings record. The reading must stay linear: the second may take
// at most about ten times the first.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "client/parameter_file.h"
#include "foundations/record.h"

namespace {

// Lines as a calling application writes them (Windows-1250, CR LF), and one
// key of its own every tenth line, so that the record grows with the file.
std::string ParameterFile(int lines) {
  static const char* const kLines[] = {
      "login:=\"techuser01\"",
      "password:=\"Jelsz\xF3-123\"        && Windows-1250",
      "taxnumber:=\"12345678\"",
      "xmlkulcs:=\"aa-bb-cc-dd-ee\"",
      "",
      "softwareName:=\"Sz\xE1ml\xE1z\xF3 &login.\"",
      "timeout:=30.5",
      "invoicexml:='C:\\szamlak\\A12.xml'  && path",
      " \t ",
  };
  const int count = sizeof kLines / sizeof kLines[0];
  std::string out;
  for (int i = 0; i < lines; ++i) {
    if (i % 10 == 9)
      out += "key" + std::to_string(i) + ":=[" + std::to_string(i) + "]\r\n";
    else
      out += std::string(kLines[i % count]) + "\r\n";
  }
  return out;
}

void BM_ReadParameterFile(benchmark::State& state) {
  const std::string content = ParameterFile(static_cast<int>(state.range(0)));
  const std::string path = std::filesystem::temp_directory_path() / "kvitalink_parfile_bench.txt";
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(path, std::ios::binary) << content;
    Settings().Clear();
    state.ResumeTiming();
    ReadParameterFile(Value(path));
  }
  state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_ReadParameterFile)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Complexity();

BENCHMARK_MAIN();

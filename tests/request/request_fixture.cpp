#include "request_fixture.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundations/files.h"
#include "foundations/random.h"
#include "foundations/record.h"
#include "request/envelope.h"
#include "request/writer.h"

namespace {
BrokenTime g_local;
BrokenTime PinnedLocal() { return g_local; }
BrokenTime PinnedUtc() { return g_local; }
}  // namespace

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size())
    lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string> ElementTexts(const std::string& text, const std::string& name) {
  std::vector<std::string> found;
  const std::string open = "<" + name;
  const std::string close = "</" + name + ">";
  for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
    const size_t after = at + open.size();
    if (after >= text.size() || (text[after] != '>' && text[after] != ' '))
      continue;
    const size_t gt = text.find('>', after);
    const size_t end = text.find(close, gt);
    if (gt == std::string::npos || end == std::string::npos)
      break;
    const std::string inner = text.substr(gt + 1, end - gt - 1);
    if (inner.find('<') == std::string::npos)
      found.push_back(inner);
  }
  return found;
}

std::string ElementText(const std::string& text, const std::string& name) {
  const std::vector<std::string> found = ElementTexts(text, name);
  return found.empty() ? "<none>" : found.front();
}

std::string StampDigits(const std::string& timestamp) {
  std::string digits;
  for (char c : timestamp.substr(0, 19))
    if (c >= '0' && c <= '9')
      digits += c;
  return digits;
}

int RunXmllint(const std::string& arguments, std::string* output) {
  const std::string command = std::string(XMLLINT_EXE) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return -1;
  output->clear();
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output->append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<LevelLine> g_levels_at_raise;

ErrorAnswer RecordLevelsAndThrow(const RunTimeError& error) {
  g_levels_at_raise = ActiveLevels();
  throw RaisedError(error);
}

void RequestTest::SetUp() {
  setenv("TZ", "Europe/Budapest", 1);
  tzset();
  std::string pattern = (std::filesystem::temp_directory_path() / "kv_request_XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
  path_ = dir_ + "/request.xml";
  Settings().Clear();
  Settings().Set("NL", Value("\r\n"));
  SetValidSettings("3.0");
  PinClock(kPinnedLocal);
  SetRandomState(kPinnedRandomState);
  XMLSZINT = 0;
}

void RequestTest::TearDown() {
  SetClockForTests(nullptr, nullptr);
  SetErrorHandler(nullptr);
  Settings().Clear();
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void RequestTest::SetValidSettings(const std::string& xsd) {
  Record& s = Settings();
  s.Set("XSDVERZIO", Value(xsd));
  s.Set("LOGIN", Value("lwilsmn0uqdxe6u"));
  s.Set("PASSWORD", Value("Titkos-Jelszo1"));
  s.Set("TAXNUMBER", Value("11111111"));
  s.Set("XMLKULCS", Value(kSampleSignKey));
  s.Set("OPERATION", Value("ANNUL"));
  s.Set("SOFTWAREID", Value("HU11111111KVLNK-01"));
  s.Set("SOFTWARENAME", Value("kvitalink"));
  s.Set("SOFTWAREMAINVERSION", Value("2022.01"));
  // "Kvitalink Fejlesztő Kft." in code page 852.
  s.Set("SOFTWAREDEVNAME", Value("Kvitalink Fejleszt\x8B Kft."));
  s.Set("SOFTWAREDEVCONTACT", Value("info@kvitalink.hu"));
}

void RequestTest::SetValidSettingsExcept(const std::string& xsd, const std::string& missing) {
  Settings().Set("NL", Value("\r\n"));
  SetValidSettings(xsd);
  const Record kept = Settings();
  Settings().Clear();
  for (const char* name : {"NL", "XSDVERZIO", "LOGIN", "PASSWORD", "TAXNUMBER", "XMLKULCS",
                           "OPERATION", "SOFTWAREID", "SOFTWARENAME", "SOFTWAREMAINVERSION",
                           "SOFTWAREDEVNAME", "SOFTWAREDEVCONTACT"})
    if (name != Record::NormalName(missing))
      Settings().Set(name, *kept.Find(name));
}

void RequestTest::PinClock(const BrokenTime& local) {
  g_local = local;
  SetClockForTests(PinnedLocal, PinnedUtc);
}

std::string RequestTest::Write(const std::function<void()>& body) {
  raised_.reset();
  std::filesystem::remove(path_);
  F1 = NEWFILE(Value(path_));
  EXPECT_GT(F1, 0) << path_;
  XMLSZINT = 0;
  try {
    body();
  } catch (const RaisedError& e) {
    raised_ = e.error;
  }
  CLOSEFILE(F1);
  F1 = kNoFile;
  return ReadFileBytes(path_);
}

std::string RequestTest::Envelope(const std::string& root, const Value& content,
                                  const std::function<void()>& body) {
  return Write([&] {
    XMLELEJE(root, content);
    if (body)
      body();
    XMLBE(root, Value(), "Z");
  });
}

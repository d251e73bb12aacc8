// request_fixture.h: what the request tests share: a request file written
// through F1 and read back, the settings of a valid technical user, a pinned
// clock in the Budapest zone and a pinned random state.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundations/clock_platform.h"
#include "foundations/levels.h"
#include "foundations/raise.h"
#include "foundations/value.h"

// 2022-11-14 18:03:16.250 local, 17:03:16 UTC.
const BrokenTime kPinnedLocal = {2022, 11, 14, 18, 3, 16, 250};
// Its first draw from 1 to 999 is 278.
const uint32_t kPinnedRandomState = 12345;

// The signing key of the authority's sample requests.
const char kSampleSignKey[] = "ac-ac3a-7f661bff7d342N43CYX4U9FG";
// A Base64 content for the manage requests.
const char kContent[] = "PD94bWwgdmVyc2lvbj0iMS4wIiBlbmNvZGluZz0iVVRGLTgiPz48eD5rdml0YWxpbms8L3g+";

std::string ReadFileBytes(const std::string& path);
// The lines of a request text, each without its CR LF.
std::vector<std::string> Lines(const std::string& text);
// The texts of the elements of that name, with or without attributes, that
// hold no markup, in document order.
std::vector<std::string> ElementTexts(const std::string& text, const std::string& name);
// The first of them; "<none>" when there is none.
std::string ElementText(const std::string& text, const std::string& name);
// The 14 digits, year to second, of a timestamp such as 2022-11-14T17:03:16.000Z.
std::string StampDigits(const std::string& timestamp);
// Runs xmllint with the arguments; returns its exit status and what it said.
int RunXmllint(const std::string& arguments, std::string* output);

// The levels active at the last raise: a handler that keeps them, then throws
// RaisedError as the default handler does.
extern std::vector<LevelLine> g_levels_at_raise;
ErrorAnswer RecordLevelsAndThrow(const RunTimeError& error);

class RequestTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Every setting the envelope reads, valid for the authority's schemas.
  static void SetValidSettings(const std::string& xsd);
  // The same, and the line end NL, but without the one named.
  static void SetValidSettingsExcept(const std::string& xsd, const std::string& missing);
  static void PinClock(const BrokenTime& local);

  // Creates the request file as F1 at depth 0, runs the body, closes the file
  // and returns its bytes. An error raised inside is kept in raised_.
  std::string Write(const std::function<void()>& body);
  // The envelope of the root, the body's lines and the root's "Z" line.
  std::string Envelope(const std::string& root, const Value& content = Value(),
                       const std::function<void()>& body = {});

  std::string dir_;
  std::string path_;
  std::optional<RunTimeError> raised_;
};

// Code page 852 and Windows-1250 tables, the UTF-8 conversions and the
// machine's ANSI/OEM conversions.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string_view>
#include <vector>

#include "foundations/codepage.h"

namespace {

// Byte -> code point from a published table ("0xNN<TAB>U+XXXX<TAB>name");
// an UNDEFINED byte maps to the code point of its own value.
std::map<int, uint32_t> ReadTable(const std::string& file) {
  std::ifstream in(std::string(CODEPAGES_DIR) + "/" + file);
  std::map<int, uint32_t> table;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#')
      continue;
    std::istringstream fields(line);
    std::string byte, cp;
    fields >> byte >> cp;
    int b = std::stoi(byte, nullptr, 16);
    table[b] = cp == "UNDEFINED" ? static_cast<uint32_t>(b) : static_cast<uint32_t>(std::stoul(cp.substr(2), nullptr, 16));
  }
  return table;
}

std::string AllBytes() {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  return all;
}

// What an outside decoder (Python's codec) makes of all 256 bytes, as UTF-8.
std::string PythonDecode(const char* codec) {
  std::string command = std::string(PYTHON3_EXE) +
                        " -c \"import sys; sys.stdout.buffer.write(bytes(range(256)).decode('" +
                        codec + "').encode('utf-8'))\"";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

}  // namespace

TEST(CodePageTables, MatchThePublishedTablesByteForByte) {
  auto cp852 = ReadTable("cp852.txt");
  auto cp1250 = ReadTable("cp1250.txt");
  ASSERT_EQ(cp852.size(), 256u) << CODEPAGES_DIR "/cp852.txt is missing or incomplete";
  ASSERT_EQ(cp1250.size(), 256u) << CODEPAGES_DIR "/cp1250.txt is missing or incomplete";
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(kCp852ToUnicode[b], cp852[b]) << "852 byte " << b;
    EXPECT_EQ(kCp1250ToUnicode[b], cp1250[b]) << "1250 byte " << b;
    EXPECT_EQ(UnicodeTo852(cp852[b]), b);
  }
  for (int b : {0x81, 0x83, 0x88, 0x90, 0x98}) EXPECT_EQ(kCp1250ToUnicode[b], b);
  EXPECT_EQ(UnicodeTo852(0x20AC), -1);
  EXPECT_EQ(UnicodeTo852(0x1F600), -1);
}

TEST(CodePageUtf8, EveryByteMatchesAnOutsideDecoderAndComesBack) {
  ASSERT_FALSE(std::string(PYTHON3_EXE).empty()) << "python3 is not installed";
  std::string expected = PythonDecode("cp852");
  std::string utf8 = CP852TOUTF8(AllBytes());
  EXPECT_EQ(utf8, expected);
  EXPECT_EQ(UTF8TOCP852(utf8), AllBytes());
}

TEST(CodePageUtf8, Examples) {
  struct Case {
    std::string in, out;
  } to_utf8[] = {
      {"Hib\xA0s adat", "\x48\x69\x62\xC3\xA1\x73\x20\x61\x64\x61\x74"},
      {"\r\n\t abc~\x7F", "\r\n\t abc~\x7F"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"\x8B\xFB", "\xC5\x91\xC5\xB1"},
      {"\xFE", "\xE2\x96\xA0"},
      {"", ""},
  };
  for (const auto& c : to_utf8) EXPECT_EQ(CP852TOUTF8(c.in), c.out) << c.in;
  EXPECT_EQ(CP852TOUTF8(Value(12)), "");
  EXPECT_EQ(CP852TOUTF8(Value()), "");

  Case from_utf8[] = {
      {"\xC5\x91", "\x8B"},          // ő
      {"\xEF\xBB\xBF" "a", "?a"},    // a byte-order mark is a character 852 lacks
      {"\xE2\x82\xAC", "?"},         // €
      {"\xC3\xA0", "\xE0"},          // à: below 256, kept as its own byte
      {"\xC3" "A", "\x03" "A"},      // interrupted: the partial value, then A afresh
      {"ab\xC3", "ab"},              // a lead byte at the end gives nothing
      {"x\xE2\x82", "x"},            // so does an unfinished sequence
      {"\xF0\x9F\x98\x80", "?"},     // U+1F600 kept in 16 bits: U+F600
      {"\xF0\x90\x80\x81", "\x01"},  // U+10001 kept in 16 bits: U+0001
      {"\xFE\xFF", "\xFE\xFF"},
      {"\xB0", "\xF8"},              // a lone continuation byte is its own code point
      {"\x80", "\x80"},
      {"\xC1\x81", "A"},             // overlong forms count at their value
      {"\xC3\xA1\xC3\x81", "\xA0\xB5"},
      {"", ""},
  };
  for (const auto& c : from_utf8) EXPECT_EQ(UTF8TOCP852(c.in), c.out) << c.in;
}

TEST(CodePageText852, SourceLiteralsBecome852) {
  EXPECT_EQ(Text852("Hibás adat"), "Hib\xA0s adat");
  EXPECT_EQ(Text852("árvíztűrő tükörfúrógép ÁÉÍÓÖŐÚÜŰ"),
            "\xA0rv\xA1zt\xFBr\x8B t\x81k\x94rf\xA3r\xA2g\x82p \xB5\x90\xD6\xE0\x99\x8A\xE9\x9A\xEB");
}

TEST(CodePageMachine, AnsiAndOemGoThroughTheCodePoint) {
  auto cp852 = ReadTable("cp852.txt");
  auto cp1250 = ReadTable("cp1250.txt");
  std::map<uint32_t, int> byte852;
  for (auto [b, cp] : cp852) byte852[cp] = b;
  std::map<uint32_t, int> byte1250;
  for (auto [b, cp] : cp1250) byte1250[cp] = b;

  std::string ansi_to_oem = ACPTOOEM(AllBytes());
  std::string oem_to_ansi = OEMTOACP(AllBytes());
  ASSERT_EQ(ansi_to_oem.size(), 256u);
  ASSERT_EQ(oem_to_ansi.size(), 256u);
  int round_trips = 0;
  for (int b = 0; b < 256; ++b) {
    auto to852 = byte852.find(cp1250[b]);
    EXPECT_EQ(static_cast<unsigned char>(ansi_to_oem[b]), to852 == byte852.end() ? '?' : to852->second);
    auto to1250 = byte1250.find(cp852[b]);
    EXPECT_EQ(static_cast<unsigned char>(oem_to_ansi[b]), to1250 == byte1250.end() ? '?' : to1250->second);
    if (to852 != byte852.end()) {
      EXPECT_EQ(static_cast<unsigned char>(OEMTOACP(ansi_to_oem.substr(b, 1))[0]), b);
      ++round_trips;
    }
  }
  EXPECT_GT(round_trips, 128 + 60);

  EXPECT_EQ(ACPTOOEM("\xF5"), "\x8B");  // ő
  EXPECT_EQ(OEMTOACP("\x8B"), "\xF5");
  EXPECT_EQ(ACPTOOEM("\x80"), "?");     // € has no place in 852
  EXPECT_EQ(ACPTOOEM(""), "");
  EXPECT_EQ(OEMTOACP(""), "");
  EXPECT_EQ(ACPTOOEM(Value(1)), "");
  EXPECT_EQ(OEMTOACP(Value::Logical(false)), "");
}

TEST(CodePageUtf8, AnyBytesDecodeSafelyAndEvery852TextComesBack) {
  std::mt19937 random(852);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 40, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 256);
    EXPECT_LE(UTF8TOCP852(bytes).size(), bytes.size());
    EXPECT_EQ(UTF8TOCP852(CP852TOUTF8(bytes)), bytes);
  }
}

// Handed over in pieces, the decoder gives what it gives the whole text: a
// sequence split between pieces is completed, one left open at the end is
// dropped, and no piece gives more than one byte beyond its own size.
TEST(CodePageUtf8, PiecesDecodeAsTheWholeText) {
  std::mt19937 random(1250);
  std::vector<std::string> texts = {"\xC5\x91\xC3\xA1", "\xE2\x82\xAC" "a\xC3",
                                    "\xF0\x9F\x98\x80x", "\xC3" "A\xE2\x82" "B"};
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 24, '\0');
    for (char& c : bytes) c = static_cast<char>(0x80 + random() % 128);
    texts.push_back(bytes);
  }
  for (const std::string& text : texts) {
    const std::string whole = UTF8TOCP852(text);
    for (size_t piece = 1; piece <= 5; ++piece) {
      Utf8To852 decoder;
      std::string joined;
      char out[8];
      for (size_t at = 0; at < text.size(); at += piece) {
        const std::string_view part = std::string_view(text).substr(at, piece);
        const size_t n = decoder.Convert(part, out);
        ASSERT_LE(n, part.size() + 1);
        joined.append(out, n);
        ASSERT_LE(joined.size(), at + part.size());
      }
      EXPECT_EQ(joined, whole) << piece;
    }
  }
}

// keys_fuzzer: the terminal's key decoder on any byte stream, fed as the
// terminal display feeds it: the bytes arrive in pieces, each piece is added
// to what is still pending, and keys are taken off while whole ones are
// there; when the input ends, what is pending is taken apart for good.
//
// Input: one byte that seeds the piece sizes, then the stream. Each piece is
// decoded out of a buffer exactly as large as the pending bytes, so that the
// sanitizer catches a read past it.
//
// Checked: every call takes at most what it is given, and nothing only when
// more may follow and fewer than 32 bytes are pending (a longer sequence
// never waits); when the input ends every byte has been taken; the keys do not
// depend on how the stream was cut into pieces (the whole stream at once gives
// the same); a character key carries a printable byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "client/console/keys.h"
#include "fuzz_input.h"

namespace {

bool Same(const Key& a, const Key& b) {
  return a.code == b.code && a.ch == b.ch && a.row == b.row && a.column == b.column;
}

// Takes keys off `pending` while whole ones are there (all of it when
// `final`), and appends them to `keys`.
void TakeKeys(std::string& pending, bool final, std::vector<Key>& keys) {
  auto buffer = std::make_unique<char[]>(pending.size());
  std::memcpy(buffer.get(), pending.data(), pending.size());
  std::string_view rest(buffer.get(), pending.size());
  while (!rest.empty()) {
    Key key;
    size_t n = DecodeKey(rest, !final, &key);
    Check(n <= rest.size());
    if (n == 0) {
      Check(!final && rest.size() < 32);
      break;
    }
    if (key.code == KeyCode::Char)
      Check(key.ch >= 0x20 && key.ch != 0x7F);
    keys.push_back(key);
    rest.remove_prefix(n);
  }
  pending.erase(0, pending.size() - rest.size());
  if (final)
    Check(pending.empty());
}

std::vector<Key> Decode(const std::string& stream, uint32_t seed) {
  std::vector<Key> keys;
  std::string pending;
  for (size_t at = 0; at < stream.size();) {
    size_t piece = 1;
    if (seed != 0) {
      seed = seed * 1103515245u + 12345u;
      piece = (seed >> 16) % 8 + 1;
    } else {
      piece = stream.size();
    }
    piece = std::min(piece, stream.size() - at);
    pending.append(stream, at, piece);
    at += piece;
    TakeKeys(pending, false, keys);
  }
  TakeKeys(pending, true, keys);
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  uint32_t seed = input.Byte() | 0x100u;
  const std::string stream = input.Rest();

  std::vector<Key> in_pieces = Decode(stream, seed);
  std::vector<Key> at_once = Decode(stream, 0);
  Check(in_pieces.size() == at_once.size());
  for (size_t i = 0; i < at_once.size(); ++i)
    Check(Same(in_pieces[i], at_once[i]));
  Check(at_once.size() <= stream.size());
  return 0;
}

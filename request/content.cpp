// content.cpp: the content as a text in memory, or as a file encoded in
// pieces whose sizes are multiples of 3 bytes, so that the Base64 pieces join
// without padding between them and only the last can end in "=".
#include "request/content.h"

#include <memory>

#include "foundations/base64.h"
#include "foundations/files.h"

namespace {

// 192 KiB of the file and its 256 KiB of Base64: both stay in the
// processor's cache while a piece is encoded and hashed or written.
const size_t kPieceBytes = 3 * 64 * 1024;
const size_t kPieceChars = kPieceBytes / 3 * 4;

}  // namespace

bool TextContent::Each(const std::function<void(std::string_view)>& take) const {
  if (value_.is_text() && !value_.text().empty())
    take(value_.text());
  return true;
}

bool FileContent::Each(const std::function<void(std::string_view)>& take) const {
  PieceReader reader(file_name_, kPieceBytes);
  std::unique_ptr<char[]> chars;
  for (std::string_view piece = reader.Next(); !piece.empty(); piece = reader.Next()) {
    if (!chars)
      chars = std::make_unique_for_overwrite<char[]>(kPieceChars);
    const size_t n =
        Encode64(reinterpret_cast<const uint8_t*>(piece.data()), piece.size(), chars.get());
    take(std::string_view(chars.get(), n));
  }
  return reader.ReadWhole();
}

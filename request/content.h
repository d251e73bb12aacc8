// content.h: the Base64 content of the two manage requests, the text that
// the request signature covers and the body carries. It is either a text
// already in memory (the annulment document) or a file encoded piece by
// piece as it is read (the invoice), so that a large invoice is never held
// whole.
#pragma once

#include <functional>
#include <string_view>

#include "foundations/value.h"

class Content {
 public:
  virtual ~Content() = default;
  // False for a value that is not a text, as the requests without content
  // have; such a content gives no piece.
  virtual bool is_text() const = 0;
  // Hands the Base64 text to `take` in order, in one piece or several; a
  // piece is valid only during its call. False when the text could not be
  // given whole (a file that could not be read to its end).
  virtual bool Each(const std::function<void(std::string_view)>& take) const = 0;
};

// A content held as a value, which must outlive it.
class TextContent : public Content {
 public:
  explicit TextContent(const Value& value) : value_(value) {}
  bool is_text() const override { return value_.is_text(); }
  bool Each(const std::function<void(std::string_view)>& take) const override;

 private:
  const Value& value_;
};

// ENCODE64 of READWHOLE of a file: its bytes less one trailing 0x1A, the
// empty text when it cannot be opened. The file is read anew at every pass;
// the submission makes one, for the signature and the body together. A pass
// that cannot open the file, or read it to its end, gives false.
class FileContent : public Content {
 public:
  explicit FileContent(const Value& file_name) : file_name_(file_name) {}
  bool is_text() const override { return true; }
  bool Each(const std::function<void(std::string_view)>& take) const override;

 private:
  Value file_name_;
};

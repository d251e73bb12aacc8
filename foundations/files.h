// files.h: the file operations of the program. Names are texts in code page
// 852; contents are bytes, never converted. No operation raises an error or
// shows a message: every failure is a result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "foundations/value.h"

using FileHandle = int64_t;   // above 0 for an open file, -1 for none
const FileHandle kNoFile = -1;

std::string READWHOLE(const Value& name);   // one trailing 0x1A dropped
bool WRITEWHOLE(const Value& name, const std::string& text);
FileHandle NEWFILE(const Value& name);      // created anew, not shared
int64_t PUTBYTES(FileHandle handle, std::string_view text);
bool CLOSEFILE(FileHandle handle);
// CLOSEFILE that also tells whether the file holds everything written to it:
// true only when the close succeeded and every PUTBYTES and PutBytesAt on the
// handle wrote all of its bytes.
bool CloseComplete(FileHandle handle);
// The size of a file that NEWFILE gave out and that is still open; for a file
// written from its start by PUTBYTES alone, the offset of the next PUTBYTES.
// -1 for any other handle or when the size cannot be told.
int64_t OpenFileSize(FileHandle handle);
// Writes the text over the bytes at the offset of such a file, then moves back
// to its end, where PUTBYTES goes on; false when any of it fails.
bool PutBytesAt(FileHandle handle, int64_t offset, std::string_view text);
int ERASEFILE(const Value& name);           // 0 deleted, -1 otherwise
bool HASFILE(const Value& name);            // "*" and "?" match
std::string DIRPART(const Value& path);
std::string NAMEPART(const Value& path);

// The error number of the last failed NEWFILE, as Windows numbers it on every
// system (0 after a success); the run-time error report of a failed creation
// shows it.
int LastFileError();

// Reads a file as READWHOLE does (shared, up to the size it has when opened,
// one trailing 0x1A dropped), but a piece at a time, so that a large file is
// never held whole. Every piece but the last has exactly the size asked for;
// a file that cannot be opened, an empty one and one holding only 0x1A give
// no piece.
class PieceReader {
 public:
  PieceReader(const Value& name, size_t piece_size);
  ~PieceReader();
  PieceReader(const PieceReader&) = delete;
  PieceReader& operator=(const PieceReader&) = delete;

  // The next piece, valid until the next call; empty after the last.
  std::string_view Next();
  // After the last piece: whether the file was opened and read to the size it
  // had when opened (a failed read, or a file that shrank, ends it early).
  bool ReadWhole() const { return opened_ && done_ && left_ == 0 && !short_; }
  bool opened() const { return opened_; }
  // Closes the file at once; Next gives nothing more.
  void Close();

 private:
  size_t Fill(char* at, size_t n);

  int64_t handle_ = -1;
  bool opened_ = false;
  int64_t left_ = 0;        // bytes of the size taken at opening not yet read
  size_t piece_size_ = 0;
  bool held_ = false;       // the byte after the last piece waits at its end
  bool done_ = false;
  bool short_ = false;      // a read gave nothing before the size was reached
  std::unique_ptr<char[]> buffer_;   // one piece and the byte after it
};

// WRITEWHOLE(name, converted READWHOLE(name)) without holding the file whole,
// and in one step: the file is read in pieces as PieceReader reads it, what
// `convert` returns for each piece is written to a new file beside it (the
// name followed by kRewriteSuffix), and only when all of it has been written
// does the new file take the old one's place. When anything fails, the new
// file is removed and the file stays exactly as it was; the result is false.
extern const char kRewriteSuffix[];
bool RewriteBeside(const Value& name, size_t piece_size,
                   const std::function<std::string_view(std::string_view)>& convert);

// A seam for tests: from this call on, the file layer counts its system
// reads, writes, closes and replacements, and the nth of the given kind fails
// as a failing system call would (a read or a write moves nothing, a close
// reports failure after closing, a replacement leaves both files as they
// are). 0 fails none.
enum class FileCall { Read, Write, Close, Replace };
void InjectFileFault(FileCall call, int nth);
// The calls of that kind made since the last InjectFileFault.
int FileCallsSince(FileCall call);

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

 private:
  friend bool RewriteInPlace(const Value&, size_t,
                             const std::function<std::string_view(std::string_view)>&);
  // Reads a file that the caller has opened and closes.
  PieceReader(int64_t handle, size_t piece_size);
  void Start(size_t piece_size);
  size_t Fill(char* at, size_t n);

  int64_t handle_ = -1;
  bool owned_ = true;       // closed by the reader
  int64_t offset_ = 0;      // bytes read from the file
  int64_t left_ = 0;        // bytes of the size taken at opening not yet read
  size_t piece_size_ = 0;
  bool held_ = false;       // the byte after the last piece waits at its end
  bool done_ = false;
  std::unique_ptr<char[]> buffer_;   // one piece and the byte after it
};

// WRITEWHOLE(name, converted READWHOLE(name)) without holding the file whole:
// the file, opened for reading and writing and not shared, is read in pieces
// as PieceReader reads it, each piece is replaced by what `convert` returns
// for it, and the file is ended after the last. The replacements, taken
// together, may never be longer than the pieces they have been given so far.
// False when the file cannot be opened so (it stays as it was) or a write
// fails.
bool RewriteInPlace(const Value& name, size_t piece_size,
                    const std::function<std::string_view(std::string_view)>& convert);

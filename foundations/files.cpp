// files.cpp: the file operations over the platform layer. Names are converted
// from code page 852 before they reach the system; contents pass unchanged.
#include "foundations/files.h"

#include <algorithm>
#include <map>

#include "foundations/files_platform.h"

namespace {

const size_t kPathLimit = 263;  // the bytes of a path that DIRPART/NAMEPART consider

int g_last_error = 0;

// The handles NEWFILE gave out and CLOSEFILE has not yet closed, each with
// whether every write on it so far wrote all its bytes: only these are
// written to or closed, so a stray number never reaches another file.
std::map<FileHandle, bool>& OpenHandles() {
  static std::map<FileHandle, bool> handles;
  return handles;
}

// The test seam: the calls of each kind since it was set, and which one fails.
struct FaultSeam {
  int calls[4] = {0, 0, 0, 0};
  int failing[4] = {0, 0, 0, 0};
};
FaultSeam g_seam;

// Counts the call; true when it is the one to fail.
bool Faulted(FileCall call) {
  const int kind = static_cast<int>(call);
  return ++g_seam.calls[kind] == g_seam.failing[kind];
}

int64_t Read(int64_t handle, void* data, int64_t n) {
  return Faulted(FileCall::Read) ? -1 : PlatformRead(handle, data, n);
}

int64_t Write(int64_t handle, const void* data, int64_t n) {
  return Faulted(FileCall::Write) ? -1 : PlatformWrite(handle, data, n);
}

bool Close(int64_t handle) {
  const bool closed = PlatformClose(handle);
  return !Faulted(FileCall::Close) && closed;
}

bool Replace(const std::string& from, const std::string& to) {
  return !Faulted(FileCall::Replace) && PlatformReplace(from, to);
}

// The path as DIRPART and NAMEPART see it, and where its name part starts.
std::string ConsideredPath(const std::string& path) {
  std::string p = path.substr(0, kPathLimit);
  return p.substr(0, p.find('\0'));
}

size_t NameStart(const std::string& path) {
  size_t last = path.find_last_of("\\/:");
  return last == std::string::npos ? 0 : last + 1;
}

bool WriteAll(int64_t handle, std::string_view text) {
  size_t done = 0;
  while (done < text.size()) {
    int64_t n = Write(handle, text.data() + done, static_cast<int64_t>(text.size() - done));
    if (n <= 0)
      return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string READWHOLE(const Value& name) {
  if (!name.is_text())
    return "";
  int error = 0;
  int64_t handle = PlatformOpenRead(PlatformFileName(name.text()), &error);
  if (handle < 0)
    return "";
  int64_t size = PlatformSize(handle);
  std::string data(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  size_t got = 0;
  while (got < data.size()) {
    int64_t n = Read(handle, &data[got], static_cast<int64_t>(data.size() - got));
    if (n <= 0)
      break;
    got += static_cast<size_t>(n);
  }
  Close(handle);
  data.resize(got);
  if (!data.empty() && data.back() == '\x1A')
    data.pop_back();
  return data;
}

bool WRITEWHOLE(const Value& name, const std::string& text) {
  if (!name.is_text())
    return false;
  int error = 0;
  int64_t handle = PlatformCreate(PlatformFileName(name.text()), &error);
  if (handle < 0)
    return false;
  bool written = WriteAll(handle, text);
  return Close(handle) && written;
}

FileHandle NEWFILE(const Value& name) {
  if (!name.is_text()) {
    g_last_error = 0;
    return kNoFile;
  }
  int error = 0;
  int64_t handle = PlatformCreate(PlatformFileName(name.text()), &error);
  g_last_error = handle < 0 ? error : 0;
  if (handle < 0)
    return kNoFile;
  OpenHandles()[handle] = true;
  return handle;
}

int64_t PUTBYTES(FileHandle handle, std::string_view text) {
  auto open = OpenHandles().find(handle);
  if (open == OpenHandles().end() || text.empty())
    return 0;
  int64_t n = Write(handle, text.data(), static_cast<int64_t>(text.size()));
  if (n != static_cast<int64_t>(text.size()))
    open->second = false;
  return n > 0 ? n : 0;
}

int64_t OpenFileSize(FileHandle handle) {
  if (!OpenHandles().count(handle))
    return -1;
  return PlatformSize(handle);
}

bool PutBytesAt(FileHandle handle, int64_t offset, std::string_view text) {
  auto open = OpenHandles().find(handle);
  if (open == OpenHandles().end() || offset < 0)
    return false;
  const bool written = PlatformSeek(handle, offset) && WriteAll(handle, text);
  const int64_t end = PlatformSize(handle);
  const bool back = end >= 0 && PlatformSeek(handle, end);
  if (!written || !back)
    open->second = false;
  return written && back;
}

bool CLOSEFILE(FileHandle handle) {
  if (!OpenHandles().erase(handle))
    return false;
  return Close(handle);
}

bool CloseComplete(FileHandle handle) {
  auto open = OpenHandles().find(handle);
  if (open == OpenHandles().end())
    return false;
  const bool complete = open->second;
  OpenHandles().erase(open);
  return Close(handle) && complete;
}

int ERASEFILE(const Value& name) {
  if (!name.is_text())
    return -1;
  return PlatformDelete(PlatformFileName(name.text())) ? 0 : -1;
}

bool HASFILE(const Value& name) {
  return name.is_text() && PlatformFindVisibleFile(PlatformFileName(name.text()));
}

std::string DIRPART(const Value& path) {
  if (!path.is_text())
    return "";
  std::string p = ConsideredPath(path.text());
  return p.substr(0, NameStart(p));
}

std::string NAMEPART(const Value& path) {
  if (!path.is_text())
    return "";
  std::string p = ConsideredPath(path.text());
  std::string name = p.substr(NameStart(p));
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0)
    name.resize(dot);
  return name;
}

int LastFileError() { return g_last_error; }

PieceReader::PieceReader(const Value& name, size_t piece_size) : piece_size_(piece_size) {
  int error = 0;
  if (name.is_text())
    handle_ = PlatformOpenRead(PlatformFileName(name.text()), &error);
  opened_ = handle_ >= 0;
  if (!opened_) {
    done_ = true;
    return;
  }
  left_ = PlatformSize(handle_);
  short_ = left_ < 0;
  // Not zero-filled: every byte handed out has been read first.
  buffer_ = std::make_unique_for_overwrite<char[]>(piece_size_ + 1);
}

PieceReader::~PieceReader() { Close(); }

void PieceReader::Close() {
  if (handle_ >= 0)
    ::Close(handle_);
  handle_ = -1;
  done_ = true;
}

// Reads up to n bytes, fewer only at the size taken at opening or where a
// read gives nothing.
size_t PieceReader::Fill(char* at, size_t n) {
  size_t got = 0;
  while (got < n && left_ > 0) {
    const int64_t want = std::min(static_cast<int64_t>(n - got), left_);
    const int64_t read = Read(handle_, at + got, want);
    if (read <= 0) {
      short_ = true;
      left_ = 0;
      break;
    }
    got += static_cast<size_t>(read);
    left_ -= read;
  }
  return got;
}

// A piece goes out only once the byte after it has been read, so that the
// last byte of the file is known as such and a 0x1A there can be dropped.
std::string_view PieceReader::Next() {
  if (done_)
    return {};
  char* buffer = buffer_.get();
  size_t have = 0;
  if (held_) {
    buffer[0] = buffer[piece_size_];
    have = 1;
  }
  have += Fill(buffer + have, piece_size_ + 1 - have);
  held_ = have == piece_size_ + 1;
  if (held_)
    return {buffer, piece_size_};
  done_ = true;
  if (have > 0 && buffer[have - 1] == '\x1A')
    --have;
  return {buffer, have};
}

const char kRewriteSuffix[] = ".ansi";

bool RewriteBeside(const Value& name, size_t piece_size,
                   const std::function<std::string_view(std::string_view)>& convert) {
  if (!name.is_text())
    return false;
  PieceReader reader(name, piece_size);
  if (!reader.opened())
    return false;
  const std::string target = PlatformFileName(name.text());
  const std::string fresh = PlatformFileName(name.text() + kRewriteSuffix);
  int error = 0;
  const int64_t out = PlatformCreate(fresh, &error);
  if (out < 0)
    return false;
  bool written = true;
  for (std::string_view piece = reader.Next(); written && !piece.empty(); piece = reader.Next())
    written = WriteAll(out, convert(piece));
  written = written && reader.ReadWhole();
  reader.Close();  // an open file is not replaced on Windows
  written = Close(out) && written;
  if (written && Replace(fresh, target))
    return true;
  PlatformDelete(fresh);
  return false;
}

void InjectFileFault(FileCall call, int nth) {
  g_seam = FaultSeam{};
  g_seam.failing[static_cast<int>(call)] = nth;
}

int FileCallsSince(FileCall call) { return g_seam.calls[static_cast<int>(call)]; }

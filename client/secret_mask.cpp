// secret_mask.cpp: masking the secret values in a parameter line as shown.
#include "client/secret_mask.h"

#include <cstddef>

namespace {

const char* const kSecretKeys[] = {"PASSWORD", "XMLKULCS", "TECHKULCS"};

bool IsNameByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsNameStart(char c) { return IsNameByte(c) && !(c >= '0' && c <= '9'); }

bool IsSecretKey(const std::string& name) {
  std::string upper = name;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const char* key : kSecretKeys)
    if (upper == key)
      return true;
  return false;
}

size_t SkipBlanks(const std::string& text, size_t i) {
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

// Masks [from, to) up to its last byte that is not a blank: the blanks that
// pad a line to its width are no part of the value.
void Mask(std::string& text, size_t from, size_t to) {
  while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t')) --to;
  for (size_t i = from; i < to; ++i) text[i] = '*';
}

// Masks the value that begins at i; returns where the scan goes on.
size_t MaskValue(std::string& text, size_t i) {
  if (i >= text.size())
    return i;
  const char open = text[i];
  if (open == '"' || open == '\'' || open == '[') {
    const char close = open == '[' ? ']' : open;
    size_t end = text.find(close, i + 1);
    if (end == std::string::npos) {
      Mask(text, i + 1, text.size());
      return text.size();
    }
    Mask(text, i + 1, end);
    return end + 1;
  }
  size_t end = i;
  while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\r' &&
         text[end] != '\n')
    ++end;
  Mask(text, i, end);
  return end;
}

}  // namespace

std::string MaskSecrets(const std::string& text) {
  std::string shown = text;
  size_t i = 0;
  while (i < shown.size()) {
    const bool starts = IsNameStart(shown[i]) && (i == 0 || !IsNameByte(shown[i - 1]));
    if (!starts) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < shown.size() && IsNameByte(shown[end])) ++end;
    if (!IsSecretKey(shown.substr(i, end - i))) {
      i = end;
      continue;
    }
    size_t value = SkipBlanks(shown, end);
    if (value < shown.size() && shown[value] == ':') ++value;
    while (value < shown.size() && shown[value] == '=') ++value;
    i = MaskValue(shown, SkipBlanks(shown, value));
  }
  return shown;
}

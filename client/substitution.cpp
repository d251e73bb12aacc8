// substitution.cpp: SUBSTNAMES. The text still to be searched is held
// reversed, so that putting an inserted value in front of it and taking its
// next byte are both cheap: the work stays linear in the text plus what is
// inserted.
#include "client/substitution.h"

#include "client/line_grammar.h"

std::string SUBSTNAMES(const std::string& text, const Record& record) {
  std::string done;
  done.reserve(text.size());
  std::string pending(text.rbegin(), text.rend());   // the next byte is at the back
  int replacements = 0;
  size_t inserted = 0;
  while (!pending.empty()) {
    char c = pending.back();
    pending.pop_back();
    if (c != '&' || pending.empty() || !IsNameStart(pending.back())) {
      done += c;
      continue;
    }
    std::string name;
    while (!pending.empty() && IsNameByte(pending.back())) {
      name += pending.back();
      pending.pop_back();
    }
    const Value* value = name == "_" ? nullptr : record.Find(name);
    if (!value || !value->is_text()) {
      done += '&';
      done += name;
      continue;
    }
    const std::string& insert = value->text();
    if (replacements == kMaxSubstitutions || inserted + insert.size() > kMaxSubstitutedBytes) {
      done += '&';
      done += name;
      break;
    }
    ++replacements;
    inserted += insert.size();
    if (!pending.empty() && pending.back() == '.')
      pending.pop_back();
    pending.append(insert.rbegin(), insert.rend());
  }
  done.append(pending.rbegin(), pending.rend());
  return done;
}

std::string SUBSTNAMES(const std::string& text) { return SUBSTNAMES(text, Settings()); }

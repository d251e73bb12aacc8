// record.h: the settings record, the one store of named values of a run.
//
// Settings from the parameter file, the run-wide values that MAIN derives and
// the working values of the flow all live here. A name is ASCII letters,
// digits and "_", compared without regard to case and held upper-case; only
// its first 63 characters count. Reading a name that has no value raises the
// missing-name error (BASE/1003); Retry looks the name up again.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "foundations/value.h"

class Record {
 public:
  // The name as the record holds it: upper-cased ASCII, cut at 63 characters.
  static std::string NormalName(std::string_view name);

  // nullptr when the name has no value.
  const Value* Find(std::string_view name) const;
  bool Has(std::string_view name) const { return Find(name) != nullptr; }

  // The value of the name; raises BASE/1003 until it exists.
  Value Get(std::string_view name) const;
  // Get, for a value that must be a text: a value of another kind gives "".
  std::string GetText(std::string_view name) const;

  void Set(std::string_view name, Value value);
  void Clear() { values_.clear(); }

 private:
  std::map<std::string, Value> values_;
};

// The run's record.
Record& Settings();

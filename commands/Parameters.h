// The parameter store and the number conventions of its values.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "support/ErrorCodes.h"

// Named text values shared by the tasks of one run: SfxExitCode, command results, SkipCommand, Abort, ...
// Names compare exactly. No lock: only the worker (and UI actions it waits for) touches it while tasks run.
class ParameterStore {
 public:
  using Map = std::unordered_map<std::u16string, std::u16string>;

  const std::u16string* Find(const std::u16string& name) const;
  // Inserts a new pair; returns false (and changes nothing) when the name exists.
  bool Insert(const std::u16string& name, std::u16string value);
  // Assigns the value of an existing entry; returns false when there is none.
  bool Assign(const std::u16string& name, std::u16string value);
  bool Remove(const std::u16string& name);
  // Inserts or assigns.
  void Set(const std::u16string& name, std::u16string value);

  Map::const_iterator begin() const { return entries_.begin(); }
  Map::const_iterator end() const { return entries_.end(); }
  std::size_t size() const { return entries_.size(); }

 private:
  Map entries_;
};

inline const std::u16string kSfxExitCodeName = u"SfxExitCode";
inline const std::u16string kAbortName = u"Abort";

// Reads a number: leading white space, an optional sign, "0x"/"0X" for hexadecimal, digits, then only white
// space. 0, KV_E_INVALID_DATA (not a number) or KV_E_OUT_OF_RANGE. A minus negates modulo 2^32.
kestrova::KVResult ParseNumber(std::u16string_view text, std::uint32_t& value);
// The same rules for a signed 64-bit number.
kestrova::KVResult ParseNumber64(std::u16string_view text, std::int64_t& value);

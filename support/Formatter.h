// "{}" replacement-field formatting of narrow (char) and UTF-16 (char16_t) text.
//
// Never throws and never fails the caller: problems in a format string are reported as diagnostics and the
// output is produced as well as possible. FormatArgs allocates nothing; it counts every character it produces
// and stores only what fits, so a first pass without a buffer yields the length and a second pass writes:
//
//   KVFormatterT<char16_t> formatter;
//   const std::size_t length = formatter.Format(u"{} of {}", done, total);   // measure
//   formatter.SetBuffer(buffer, length + 1);                                 // room for the terminating zero
//   formatter.Format(u"{} of {}", done, total);                              // write
//
// Field syntax: "{" [index] [":" [[fill] align] [sign] ["#"] ["0"] [width] [grouping] ["." precision] [type]] "}"
// with align one of < = > ^, sign one of blank + -, grouping one of ' , _ and type one of d n x X c s e E f F g G.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace kestrova {

// The format spec of one replacement field; all zero means "as is".
struct KVFormatSpec {
  static constexpr std::uint16_t kHex = 0x01;
  static constexpr std::uint16_t kUpperCase = 0x02;
  static constexpr std::uint16_t kFullWidth = 0x04;  // hex digits zero-padded to two per byte
  static constexpr std::uint16_t kAlternate = 0x10;  // "#": "0x" before hex digits
  static constexpr std::uint16_t kCharacter = 0x20;  // integer written as one character
  static constexpr std::uint16_t kString = 0x40;
  static constexpr std::uint16_t kPrecision = 0x80;  // precision was given

  std::uint16_t flags = 0;
  std::uint16_t width = 0;
  std::uint16_t precision = 0;
  std::uint8_t fill = 0;  // 0 pads with blanks
  char align = 0;         // 0, '<', '=', '>' or '^'
  char sign = 0;          // 0, ' ', '+' or '-'
  char grouping = 0;      // 0, '\'', ',' or '_'
};

// An integer as the formatter receives it: the value widened to 64 bits, its size in bytes (4 or 8) and
// whether it is signed. A 4-byte value uses only the low 32 bits.
struct KVIntegerValue {
  std::uint64_t bits = 0;
  std::uint8_t size = 4;
  bool isSigned = false;
};

// The second string type each formatter writes: UTF-16 into narrow text as UTF-8, and the platform's
// wchar_t into UTF-16 text (UTF-16 on Windows, UTF-32 elsewhere).
template <class Ch>
struct KVFormatterAltChar;
template <>
struct KVFormatterAltChar<char> {
  using type = char16_t;
};
template <>
struct KVFormatterAltChar<char16_t> {
  using type = wchar_t;
};

class KVFormatterBase {
 public:
  virtual ~KVFormatterBase() = 0;

 protected:
  KVFormatterBase() = default;
  KVFormatterBase(const KVFormatterBase&) = default;
  KVFormatterBase& operator=(const KVFormatterBase&) = default;
};

inline KVFormatterBase::~KVFormatterBase() {}

// The output sink and the writers of the individual values.
template <class Ch>
class KVFormatterImplT : public KVFormatterBase {
 public:
  using AltChar = typename KVFormatterAltChar<Ch>::type;

  KVFormatterImplT() = default;
  KVFormatterImplT(const KVFormatterImplT&) = delete;
  KVFormatterImplT& operator=(const KVFormatterImplT&) = delete;
  ~KVFormatterImplT() override;

  // Points the sink at `buffer` of `capacity` characters, the terminating zero included, and resets the count.
  // A null buffer only counts.
  void SetBuffer(Ch* buffer, std::size_t capacity);
  // Characters produced since SetBuffer, stored or not.
  std::size_t Count() const { return count_; }
  // The format spec of the field being written.
  const KVFormatSpec& Spec() const { return spec_; }

  // A null pointer writes "<<nullptr>>"; the text is padded to the width (right-aligned unless "<" or "^"),
  // never cut.
  virtual void WriteString(const Ch* text, const KVFormatSpec& spec);
  virtual void WriteString(const AltChar* text, const KVFormatSpec& spec);
  // Narrow text; each byte becomes one character in the UTF-16 formatter.
  virtual void WriteNarrowString(const char* text, const KVFormatSpec& spec);
  // Unformatted output.
  virtual void Append(const Ch* text);
  virtual void Append(Ch c);
  virtual void WriteInteger(const KVIntegerValue& value, const KVFormatSpec& spec);
  // Fixed-point output; the long double overload writes the value as a double.
  virtual void WriteDouble(double value, const KVFormatSpec& spec);
  virtual void WriteDouble(long double value, const KVFormatSpec& spec);
  virtual void WriteFloat(float value, const KVFormatSpec& spec);

  // Counted text (string views), written like the strings above.
  void WriteText(std::basic_string_view<Ch> text, const KVFormatSpec& spec);
  void WriteText(std::basic_string_view<AltChar> text, const KVFormatSpec& spec);
  void WriteNarrowText(std::string_view text, const KVFormatSpec& spec);

 protected:
  // Writes a zero at the write position (over the last stored character when the buffer is full).
  void Terminate();

  KVFormatSpec spec_;

 private:
  void Put(Ch c);
  void PutRepeated(Ch c, std::size_t n);
  template <class Body>
  void WritePadded(const KVFormatSpec& spec, std::string_view prefix, std::size_t bodyLength, const Body& body);
  void WriteAscii(const KVFormatSpec& spec, std::string_view prefix, std::string_view text);
  template <class Src>
  void WriteConverted(const Src* text, std::size_t length, const KVFormatSpec& spec);
  void WriteFloating(double value, const KVFormatSpec& spec);

  Ch* start_ = nullptr;
  Ch* pos_ = nullptr;
  Ch* end_ = nullptr;
  std::size_t count_ = 0;
};

// Writes the value at `value` with the formatter's current spec; returns 0 or a non-zero failure. Called with a
// null value it does nothing and returns 0: the formatter makes that call once per field before the real one.
template <class Ch>
using KVFormatConvert = int (*)(KVFormatterImplT<Ch>& formatter, const void* value);

// One argument: its value and the routine for its type.
template <class Ch>
struct KVFormatArgT {
  const void* value = nullptr;
  KVFormatConvert<Ch> convert = nullptr;
};

template <class Ch>
class KVFormatterT : public KVFormatterImplT<Ch> {
 public:
  // Formats into the sink and returns the length of the complete output of this call, whether or not it fitted.
  // A terminating zero follows the output.
  std::size_t FormatArgs(const Ch* format, const KVFormatArgT<Ch>* args, std::uint32_t count);

  template <class... Args>
  std::size_t Format(const Ch* format, const Args&... args);

  // Diagnostics are on by default; the second pass over the same input turns them off to avoid duplicates.
  void SetDiagnostics(bool enabled) { diagnostics_ = enabled; }

 private:
  enum class Problem {
    kDiscardedBracket,
    kConversionFailed,
    kNoArgument,
    kInvalidIndex,
    kUnsupportedSpecifier,
    kIncompleteSpec,
    kUnexpectedCharacter,
    kMoreArguments,
    kMissingBracket,
  };

  bool AppendLiteral(const Ch*& p);
  bool FormatField(const Ch*& p, const KVFormatArgT<Ch>* args, std::uint32_t count, std::uint32_t& nextIndex,
                   std::uint32_t& usedEnd);
  bool ParseSpec(const Ch*& p);
  void Report(Problem problem, std::uint32_t value = 0) const;

  bool diagnostics_ = true;
  const Ch* format_ = nullptr;
  std::uint32_t argCount_ = 0;
};

extern template class KVFormatterImplT<char>;
extern template class KVFormatterImplT<char16_t>;
extern template class KVFormatterT<char>;
extern template class KVFormatterT<char16_t>;

namespace formatter_detail {

template <class>
inline constexpr bool kUnsupported = false;

template <class T>
inline constexpr bool kIsCharacter = std::is_same_v<T, char> || std::is_same_v<T, char16_t> ||
                                     std::is_same_v<T, char32_t> || std::is_same_v<T, wchar_t>;

// String element types each formatter accepts; wchar_t text only where it is UTF-16.
template <class Ch, class S>
inline constexpr bool kIsTextFor = std::is_same_v<S, Ch> || std::is_same_v<S, char> ||
                                   (std::is_same_v<Ch, char> && std::is_same_v<S, char16_t>)
#if defined(_WIN32)
                                   || (std::is_same_v<Ch, char16_t> && std::is_same_v<S, wchar_t>)
#endif
    ;

template <class T>
struct StringTraits {
  static constexpr bool kIsString = false;
  static constexpr bool kIsView = false;
};
template <class S, class Tr, class A>
struct StringTraits<std::basic_string<S, Tr, A>> {
  static constexpr bool kIsString = true;
  static constexpr bool kIsView = false;
  using Element = S;
};
template <class S, class Tr>
struct StringTraits<std::basic_string_view<S, Tr>> {
  static constexpr bool kIsString = false;
  static constexpr bool kIsView = true;
  using Element = S;
};

template <class Ch, class S>
void WriteCString(KVFormatterImplT<Ch>& f, const S* text) {
  // Narrow text in the wide formatter is widened byte by byte; every other text type has its own overload.
  if constexpr (std::is_same_v<S, char> && !std::is_same_v<Ch, char>) {
    f.WriteNarrowString(text, f.Spec());
  } else {
    f.WriteString(text, f.Spec());
  }
}

template <class Ch, class S>
void WriteView(KVFormatterImplT<Ch>& f, std::basic_string_view<S> text) {
  if constexpr (std::is_same_v<S, char> && !std::is_same_v<Ch, char>) {
    f.WriteNarrowText(text, f.Spec());
  } else {
    f.WriteText(text, f.Spec());
  }
}

template <class Ch, class T>
int ConvertSigned(KVFormatterImplT<Ch>& f, const void* value) {
  if (value == nullptr) return 0;
  const auto v = static_cast<std::int64_t>(*static_cast<const T*>(value));
  f.WriteInteger({static_cast<std::uint64_t>(v), sizeof(T) > 4 ? std::uint8_t{8} : std::uint8_t{4}, true}, f.Spec());
  return 0;
}

template <class Ch, class T>
int ConvertUnsigned(KVFormatterImplT<Ch>& f, const void* value) {
  if (value == nullptr) return 0;
  const auto v = static_cast<std::uint64_t>(*static_cast<const T*>(value));
  f.WriteInteger({v, sizeof(T) > 4 ? std::uint8_t{8} : std::uint8_t{4}, false}, f.Spec());
  return 0;
}

// A character is written like an integer of type c, or as its code with x or X.
template <class Ch, class T>
int ConvertCharacter(KVFormatterImplT<Ch>& f, const void* value) {
  if (value == nullptr) return 0;
  const auto code = static_cast<std::make_unsigned_t<T>>(*static_cast<const T*>(value));
  KVFormatSpec spec = f.Spec();
  if ((spec.flags & KVFormatSpec::kHex) == 0) spec.flags |= KVFormatSpec::kCharacter;
  f.WriteInteger({static_cast<std::uint64_t>(code), 4, false}, spec);
  return 0;
}

template <class Ch, class T>
int ConvertFloating(KVFormatterImplT<Ch>& f, const void* value) {
  if (value == nullptr) return 0;
  const T v = *static_cast<const T*>(value);
  if constexpr (std::is_same_v<T, float>) {
    f.WriteFloat(v, f.Spec());
  } else {
    f.WriteDouble(v, f.Spec());
  }
  return 0;
}

// `value` points at the pointer (a C-string variable) or at the characters (an array).
template <class Ch, class S>
int ConvertPointer(KVFormatterImplT<Ch>& f, const void* value) {
  if (value != nullptr) WriteCString(f, *static_cast<const S* const*>(value));
  return 0;
}

template <class Ch, class S>
int ConvertArray(KVFormatterImplT<Ch>& f, const void* value) {
  if (value != nullptr) WriteCString(f, static_cast<const S*>(value));
  return 0;
}

template <class Ch>
int ConvertNull(KVFormatterImplT<Ch>& f, const void* value) {
  if (value != nullptr) f.WriteString(static_cast<const Ch*>(nullptr), f.Spec());
  return 0;
}

template <class Ch, class T>
int ConvertString(KVFormatterImplT<Ch>& f, const void* value) {
  if (value != nullptr) WriteCString(f, static_cast<const T*>(value)->c_str());
  return 0;
}

template <class Ch, class T>
int ConvertView(KVFormatterImplT<Ch>& f, const void* value) {
  if (value != nullptr) WriteView(f, *static_cast<const T*>(value));
  return 0;
}

}  // namespace formatter_detail

// The argument record of one value. Supported: integers (bool excepted), characters, float, double,
// long double, C strings and arrays, nullptr, and string objects and views of the accepted character types.
// The record refers to `value`, which must outlive its use.
template <class Ch, class T>
KVFormatArgT<Ch> KVMakeFormatArg(const T& value) {
  using namespace formatter_detail;
  using Decayed = std::remove_cv_t<T>;
  if constexpr (std::is_same_v<Decayed, bool>) {
    static_assert(kUnsupported<T>, "bool is not a supported format argument");
    return {};
  } else if constexpr (kIsCharacter<Decayed>) {
    return {&value, &ConvertCharacter<Ch, Decayed>};
  } else if constexpr (std::is_integral_v<Decayed> && std::is_signed_v<Decayed>) {
    return {&value, &ConvertSigned<Ch, Decayed>};
  } else if constexpr (std::is_integral_v<Decayed>) {
    return {&value, &ConvertUnsigned<Ch, Decayed>};
  } else if constexpr (std::is_floating_point_v<Decayed>) {
    return {&value, &ConvertFloating<Ch, Decayed>};
  } else if constexpr (std::is_null_pointer_v<Decayed>) {
    return {&value, &ConvertNull<Ch>};
  } else if constexpr (std::is_array_v<Decayed>) {
    using S = std::remove_cv_t<std::remove_extent_t<Decayed>>;
    static_assert(kIsTextFor<Ch, S>, "unsupported character array argument");
    return {static_cast<const void*>(value), &ConvertArray<Ch, S>};
  } else if constexpr (std::is_pointer_v<Decayed>) {
    using S = std::remove_cv_t<std::remove_pointer_t<Decayed>>;
    static_assert(kIsTextFor<Ch, S>, "unsupported pointer argument");
    return {&value, &ConvertPointer<Ch, S>};
  } else if constexpr (StringTraits<Decayed>::kIsString) {
    static_assert(kIsTextFor<Ch, typename StringTraits<Decayed>::Element>, "unsupported string argument");
    return {&value, &ConvertString<Ch, Decayed>};
  } else if constexpr (StringTraits<Decayed>::kIsView) {
    static_assert(kIsTextFor<Ch, typename StringTraits<Decayed>::Element>, "unsupported string view argument");
    return {&value, &ConvertView<Ch, Decayed>};
  } else {
    static_assert(kUnsupported<T>, "unsupported format argument type");
    return {};
  }
}

// The record would outlive a temporary.
template <class Ch, class T>
KVFormatArgT<Ch> KVMakeFormatArg(const T&& value) = delete;

template <class Ch>
template <class... Args>
std::size_t KVFormatterT<Ch>::Format(const Ch* format, const Args&... args) {
  const KVFormatArgT<Ch> records[sizeof...(Args) + 1] = {KVMakeFormatArg<Ch>(args)..., KVFormatArgT<Ch>{}};
  return FormatArgs(format, records, static_cast<std::uint32_t>(sizeof...(Args)));
}

// Formats the argument records into a new string: measures, allocates once, writes.
template <class Ch>
std::basic_string<Ch> KVFormatStringArgs(const Ch* format, const KVFormatArgT<Ch>* args, std::uint32_t count);
extern template std::string KVFormatStringArgs(const char*, const KVFormatArgT<char>*, std::uint32_t);
extern template std::u16string KVFormatStringArgs(const char16_t*, const KVFormatArgT<char16_t>*, std::uint32_t);

// Formats into a new string. Only the argument records are built here: one body serves every call site.
template <class Ch, class... Args>
std::basic_string<Ch> KVFormatString(const Ch* format, const Args&... args) {
  const KVFormatArgT<Ch> records[sizeof...(Args) + 1] = {KVMakeFormatArg<Ch>(args)..., KVFormatArgT<Ch>{}};
  return KVFormatStringArgs(format, records, static_cast<std::uint32_t>(sizeof...(Args)));
}

template <class... Args>
std::string KVFormat(const char* format, const Args&... args) {
  return KVFormatString<char>(format, args...);
}

template <class... Args>
std::u16string KVFormat(const char16_t* format, const Args&... args) {
  return KVFormatString<char16_t>(format, args...);
}

// "{}" of a number.
std::u16string KVFormatDecimal(std::uint32_t value);

}  // namespace kestrova

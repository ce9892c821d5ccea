#include "support/Formatter.h"

#include <cmath>
#include <string>

#include "support/Diagnostics.h"

namespace kestrova {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Diagnostic lines are cut to this many bytes, the terminating zero included.
constexpr std::size_t kDiagnosticLine = 512;

// The process-wide diagnostic prefix is never set; a null text prints as "(null)".
constexpr const char* kDiagnosticPrefix = "(null)";

// Larger magnitudes do not fit the 64-bit integer part: the single-precision value of 9e18.
constexpr double kFloatingLimit = 9000000202358128640.0;

// Fraction digits that are computed; further digits of a larger precision are zeros.
constexpr unsigned kFractionDigits = 15;

constexpr std::uint64_t kPowersOfTen[kFractionDigits + 1] = {
    1ULL,
    10ULL,
    100ULL,
    1000ULL,
    10000ULL,
    100000ULL,
    1000000ULL,
    10000000ULL,
    100000000ULL,
    1000000000ULL,
    10000000000ULL,
    100000000000ULL,
    1000000000000ULL,
    10000000000000ULL,
    100000000000000ULL,
    1000000000000000ULL,
};

template <class C>
std::uint32_t Code(C c) {
  return static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<C>>(c));
}

template <class C>
bool IsDigit(C c) {
  return Code(c) >= '0' && Code(c) <= '9';
}

template <class C>
bool IsSpace(C c) {
  const std::uint32_t code = Code(c);
  return code == ' ' || (code >= '\t' && code <= '\r');
}

template <class C>
bool IsAlign(C c) {
  const std::uint32_t code = Code(c);
  return code == '<' || code == '=' || code == '>' || code == '^';
}

template <class C>
std::size_t Length(const C* text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// Reads decimal digits at `p`, advancing it; the value saturates at `limit`.
template <class C>
std::uint32_t ParseDecimal(const C*& p, std::uint32_t limit) {
  std::uint64_t value = 0;
  while (IsDigit(*p)) {
    value = value * 10 + (Code(*p) - '0');
    if (value > limit) value = limit;
    ++p;
  }
  return static_cast<std::uint32_t>(value);
}

// Writes the decimal digits of `value` backwards into `out`, with `grouping` (if non-zero) every 3 digits.
std::size_t ReversedDecimal(std::uint64_t value, char grouping, char* out) {
  std::size_t n = 0;
  unsigned digits = 0;
  do {
    if (grouping != 0 && digits != 0 && digits % 3 == 0) out[n++] = grouping;
    out[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
    ++digits;
  } while (value != 0);
  return n;
}

template <class Emit>
void EmitUtf8(char32_t cp, const Emit& emit) {
  if (cp < 0x80) {
    emit(static_cast<char>(cp));
  } else if (cp < 0x800) {
    emit(static_cast<char>(0xC0 | (cp >> 6)));
    emit(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    emit(static_cast<char>(0xE0 | (cp >> 12)));
    emit(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    emit(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    emit(static_cast<char>(0xF0 | (cp >> 18)));
    emit(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    emit(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    emit(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Calls emit(c) for every character of `text` in the character type Ch: bytes stay bytes or are widened one
// by one, UTF-16 becomes UTF-8, UTF-32 becomes UTF-16. Ill-formed code units become U+FFFD.
template <class Ch, class Src, class Emit>
void Transcode(const Src* text, std::size_t length, const Emit& emit) {
  if constexpr (sizeof(Src) <= sizeof(Ch) && sizeof(Src) <= 2) {
    for (std::size_t i = 0; i < length; ++i) emit(static_cast<Ch>(Code(text[i])));
  } else if constexpr (sizeof(Ch) == 1 && sizeof(Src) == 2) {
    for (std::size_t i = 0; i < length; ++i) {
      char32_t cp = Code(text[i]);
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length && Code(text[i + 1]) >= 0xDC00 &&
          Code(text[i + 1]) <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (Code(text[i + 1]) - 0xDC00);
        ++i;
      } else if (cp >= 0xD800 && cp <= 0xDFFF) {
        cp = kReplacementCharacter;
      }
      EmitUtf8(cp, emit);
    }
  } else if constexpr (sizeof(Ch) == 2 && sizeof(Src) == 4) {
    for (std::size_t i = 0; i < length; ++i) {
      char32_t cp = Code(text[i]);
      if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacementCharacter;
      if (cp >= 0x10000) {
        emit(static_cast<Ch>(0xD800 + ((cp - 0x10000) >> 10)));
        emit(static_cast<Ch>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
      } else {
        emit(static_cast<Ch>(cp));
      }
    }
  } else {
    static_assert(sizeof(Src) == 0, "unsupported text conversion");
  }
}

// The second diagnostic line: the format string itself.
void ReportFormatString(const char* format) {
  KVDiagnosticN(kDiagnosticLine, "%s\n", format != nullptr ? format : kDiagnosticPrefix);
}

void ReportFormatString(const char16_t* format) {
  if (format == nullptr) {
    ReportFormatString(static_cast<const char*>(nullptr));
    return;
  }
#if defined(_WIN32)
  KVDiagnosticN(kDiagnosticLine, "%ls\n", reinterpret_cast<const wchar_t*>(format));
#else
  // As UTF-8 in a local buffer; what does not fit the line is cut anyway.
  char text[kDiagnosticLine];
  std::size_t n = 0;
  Transcode<char>(format, Length(format), [&](char c) {
    if (n + 1 < sizeof(text)) text[n++] = c;
  });
  text[n] = 0;
  KVDiagnosticN(kDiagnosticLine, "%s\n", text);
#endif
}

template <class Ch>
constexpr const char* kFormatArgsName = "kestrova::KVFormatterT<char>::FormatArgs";
template <>
constexpr const char* kFormatArgsName<char16_t> = "kestrova::KVFormatterT<wchar_t>::FormatArgs";

}  // namespace

// ---- Sink

template <class Ch>
KVFormatterImplT<Ch>::~KVFormatterImplT() = default;

template <class Ch>
void KVFormatterImplT<Ch>::SetBuffer(Ch* buffer, std::size_t capacity) {
  start_ = buffer;
  pos_ = buffer;
  end_ = buffer != nullptr ? buffer + capacity : nullptr;
  count_ = 0;
}

template <class Ch>
void KVFormatterImplT<Ch>::Put(Ch c) {
  if (pos_ < end_) *pos_++ = c;
  ++count_;
}

template <class Ch>
void KVFormatterImplT<Ch>::PutRepeated(Ch c, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) Put(c);
}

template <class Ch>
void KVFormatterImplT<Ch>::Terminate() {
  if (pos_ < end_) {
    *pos_ = 0;
  } else if (start_ != end_) {
    end_[-1] = 0;
  }
}

// ---- Padding

// Writes prefix and body (bodyLength characters, produced by body()) padded to the width: "<" pads after,
// "=" between prefix and body, "^" half before (rounded down) and the rest after, anything else before.
template <class Ch>
template <class Body>
void KVFormatterImplT<Ch>::WritePadded(const KVFormatSpec& spec, std::string_view prefix, std::size_t bodyLength,
                                       const Body& body) {
  const std::size_t length = prefix.size() + bodyLength;
  const std::size_t padding = spec.width > length ? spec.width - length : 0;
  const Ch fill = spec.fill != 0 ? static_cast<Ch>(spec.fill) : Ch(' ');
  std::size_t before = 0;
  std::size_t middle = 0;
  std::size_t after = 0;
  switch (spec.align) {
    case '<': after = padding; break;
    case '=': middle = padding; break;
    case '^':
      before = padding / 2;
      after = padding - before;
      break;
    default: before = padding; break;
  }
  PutRepeated(fill, before);
  for (char c : prefix) Put(static_cast<Ch>(c));
  PutRepeated(fill, middle);
  body();
  PutRepeated(fill, after);
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteAscii(const KVFormatSpec& spec, std::string_view prefix, std::string_view text) {
  WritePadded(spec, prefix, text.size(), [&] {
    for (char c : text) Put(static_cast<Ch>(c));
  });
}

// ---- Strings

template <class Ch>
template <class Src>
void KVFormatterImplT<Ch>::WriteConverted(const Src* text, std::size_t length, const KVFormatSpec& spec) {
  std::size_t units = 0;
  Transcode<Ch>(text, length, [&units](Ch) { ++units; });
  WritePadded(spec, {}, units, [&] { Transcode<Ch>(text, length, [this](Ch c) { Put(c); }); });
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteString(const Ch* text, const KVFormatSpec& spec) {
  if (text == nullptr) return WriteAscii(spec, {}, "<<nullptr>>");
  WriteConverted(text, Length(text), spec);
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteString(const AltChar* text, const KVFormatSpec& spec) {
  if (text == nullptr) return WriteAscii(spec, {}, "<<nullptr>>");
  WriteConverted(text, Length(text), spec);
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteNarrowString(const char* text, const KVFormatSpec& spec) {
  if (text == nullptr) return WriteAscii(spec, {}, "<<nullptr>>");
  WriteConverted(text, Length(text), spec);
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteText(std::basic_string_view<Ch> text, const KVFormatSpec& spec) {
  WriteConverted(text.data(), text.size(), spec);
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteText(std::basic_string_view<AltChar> text, const KVFormatSpec& spec) {
  WriteConverted(text.data(), text.size(), spec);
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteNarrowText(std::string_view text, const KVFormatSpec& spec) {
  WriteConverted(text.data(), text.size(), spec);
}

template <class Ch>
void KVFormatterImplT<Ch>::Append(const Ch* text) {
  if (text == nullptr) return;
  while (*text != 0) Put(*text++);
}

template <class Ch>
void KVFormatterImplT<Ch>::Append(Ch c) {
  Put(c);
}

// ---- Numbers

template <class Ch>
void KVFormatterImplT<Ch>::WriteInteger(const KVIntegerValue& value, const KVFormatSpec& spec) {
  const bool wide = value.size > 4;
  std::uint64_t bits = value.bits;
  if (!wide) {
    const auto low = static_cast<std::uint32_t>(bits);
    bits = value.isSigned ? static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(low)))
                          : low;
  }
  const bool negative = value.isSigned && static_cast<std::int64_t>(bits) < 0;

  if ((spec.flags & KVFormatSpec::kCharacter) != 0) {
    if (bits == 0) return WriteAscii(spec, {}, "NUL");
    if (negative || bits < 32 || bits >= 128) return WriteAscii(spec, {}, "?");
    const char c = static_cast<char>(bits);
    return WriteAscii(spec, {}, std::string_view(&c, 1));
  }

  char digits[40];  // backwards
  std::size_t n = 0;
  std::string_view prefix;
  if ((spec.flags & KVFormatSpec::kHex) != 0) {
    const char* alphabet = (spec.flags & KVFormatSpec::kUpperCase) != 0 ? "0123456789ABCDEF" : "0123456789abcdef";
    const unsigned minimum = (spec.flags & KVFormatSpec::kFullWidth) != 0 ? (wide ? 16U : 8U) : 1U;
    const unsigned group = wide ? 8U : 4U;
    std::uint64_t rest = wide ? bits : (bits & 0xFFFFFFFFULL);
    unsigned count = 0;
    while (rest != 0 || count < minimum) {
      if (spec.grouping != 0 && count != 0 && count % group == 0) digits[n++] = spec.grouping;
      digits[n++] = alphabet[rest & 0xF];
      rest >>= 4;
      ++count;
    }
    if ((spec.flags & KVFormatSpec::kAlternate) != 0) prefix = "0x";
  } else {
    n = ReversedDecimal(negative ? 0 - bits : bits, spec.grouping, digits);
    if (negative) {
      prefix = "-";
    } else if (spec.sign == '+') {
      prefix = "+";
    } else if (spec.sign == ' ') {
      prefix = " ";
    }
  }
  WritePadded(spec, prefix, n, [&] {
    for (std::size_t i = n; i > 0; --i) Put(static_cast<Ch>(digits[i - 1]));
  });
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteFloating(double value, const KVFormatSpec& spec) {
  if (std::isnan(value)) return WriteAscii(spec, {}, "nan");
  if (std::isinf(value)) return WriteAscii(spec, value < 0 ? "-" : "", "inf");
  const double magnitude = std::fabs(value);
  if (magnitude > kFloatingLimit) return WriteAscii(spec, {}, "<<overflow>>");

  const unsigned precision = (spec.flags & KVFormatSpec::kPrecision) != 0 ? spec.precision : 6U;
  const unsigned computed = precision < kFractionDigits ? precision : kFractionDigits;
  auto integer = static_cast<std::uint64_t>(magnitude);
  const double fractionPart = magnitude - static_cast<double>(integer);
  // Rounded half up; a carry goes to the integer part.
  auto fraction = static_cast<std::uint64_t>(fractionPart * static_cast<double>(kPowersOfTen[computed]) + 0.5);
  if (fraction >= kPowersOfTen[computed]) {
    fraction -= kPowersOfTen[computed];
    ++integer;
  }

  char integerDigits[32];  // backwards
  const std::size_t integerLength = ReversedDecimal(integer, spec.grouping, integerDigits);
  const std::size_t length = integerLength + (precision != 0 ? 1 + precision : 0);
  WritePadded(spec, value < 0 ? "-" : "", length, [&] {
    for (std::size_t i = integerLength; i > 0; --i) Put(static_cast<Ch>(integerDigits[i - 1]));
    if (precision == 0) return;
    Put(Ch('.'));
    for (unsigned i = computed; i > 0; --i) Put(static_cast<Ch>('0' + fraction / kPowersOfTen[i - 1] % 10));
    PutRepeated(Ch('0'), precision - computed);
  });
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteDouble(double value, const KVFormatSpec& spec) {
  WriteFloating(value, spec);
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteDouble(long double value, const KVFormatSpec& spec) {
  WriteFloating(static_cast<double>(value), spec);
}

template <class Ch>
void KVFormatterImplT<Ch>::WriteFloat(float value, const KVFormatSpec& spec) {
  WriteFloating(static_cast<double>(value), spec);
}

// ---- Format strings

template <class Ch>
std::size_t KVFormatterT<Ch>::FormatArgs(const Ch* format, const KVFormatArgT<Ch>* args, std::uint32_t count) {
  if (args == nullptr) count = 0;
  format_ = format;
  argCount_ = count;
  const std::size_t countBefore = this->Count();
  static const Ch kEmpty[1] = {};
  const Ch* p = format != nullptr ? format : kEmpty;
  std::uint32_t nextIndex = 0;  // automatic index of the next field
  std::uint32_t usedEnd = 0;    // highest argument used plus 1
  bool fieldOpen = false;  // the format ended inside a field
  while (AppendLiteral(p)) {
    fieldOpen = !FormatField(p, args, count, nextIndex, usedEnd);
    if (fieldOpen) break;
  }
  this->Terminate();
  if (usedEnd < count) Report(Problem::kMoreArguments);
  if (fieldOpen) Report(Problem::kMissingBracket);
  return this->Count() - countBefore;
}

// Copies text up to the next replacement field, "{{" and "}}" as single brackets; true with `p` past the field's
// "{", false at the end of the format.
template <class Ch>
bool KVFormatterT<Ch>::AppendLiteral(const Ch*& p) {
  while (*p != 0) {
    const std::uint32_t c = Code(*p);
    if (c == '{' && Code(p[1]) == '{') {
      this->Append(Ch('{'));
      p += 2;
    } else if (c == '{') {
      ++p;
      return true;
    } else if (c == '}' && Code(p[1]) == '}') {
      this->Append(Ch('}'));
      p += 2;
    } else if (c == '}') {
      Report(Problem::kDiscardedBracket);
      ++p;
    } else {
      this->Append(*p++);
    }
  }
  return false;
}

// Reads one replacement field (an index, a spec after ":") up to its "}" and writes its argument; false when the
// format ends inside the field.
template <class Ch>
bool KVFormatterT<Ch>::FormatField(const Ch*& p, const KVFormatArgT<Ch>* args, std::uint32_t count,
                                   std::uint32_t& nextIndex, std::uint32_t& usedEnd) {
  std::uint32_t index = nextIndex;
  bool probed = false;
  this->spec_ = KVFormatSpec{};
  auto probe = [&] {
    if (!probed && index < count && args[index].convert != nullptr) args[index].convert(*this, nullptr);
    probed = true;
  };
  while (*p != 0) {
    const std::uint32_t c = Code(*p);
    if (IsSpace(*p)) {
      ++p;
    } else if (IsDigit(*p)) {
      const std::uint32_t explicitIndex = ParseDecimal(p, UINT32_MAX);
      if (explicitIndex < count) {
        index = explicitIndex;
      } else {
        Report(Problem::kInvalidIndex, explicitIndex);
      }
    } else if (c == ':') {
      ++p;
      probe();
      if (!ParseSpec(p)) {
        Report(Problem::kIncompleteSpec);
        break;
      }
    } else if (c == '}') {
      ++p;
      if (index < count) {
        probe();
        const KVFormatArgT<Ch>& arg = args[index];
        const int result = arg.convert != nullptr ? arg.convert(*this, arg.value) : -1;
        if (result != 0) Report(Problem::kConversionFailed, index);
        if (index + 1 > usedEnd) usedEnd = index + 1;
      } else {
        Report(Problem::kNoArgument);
      }
      nextIndex = index < UINT32_MAX ? index + 1 : index;
      return true;
    } else {
      Report(Problem::kUnexpectedCharacter, c);
      ++p;
    }
  }
  return false;
}

// Parses the format spec after ":" into spec_, leaving `p` at the closing bracket. False when the text ends first.
template <class Ch>
bool KVFormatterT<Ch>::ParseSpec(const Ch*& p) {
  KVFormatSpec& spec = this->spec_;
  if (*p != 0 && Code(*p) != '}' && IsAlign(p[1])) {
    spec.fill = Code(*p) > 255 ? std::uint8_t{'?'} : static_cast<std::uint8_t>(Code(*p));
    spec.align = static_cast<char>(p[1]);
    p += 2;
  } else if (IsAlign(*p)) {
    spec.align = static_cast<char>(*p++);
  }
  if (Code(*p) == ' ' || Code(*p) == '+' || Code(*p) == '-') spec.sign = static_cast<char>(*p++);
  if (Code(*p) == '#') {
    spec.flags |= KVFormatSpec::kAlternate;
    ++p;
  }
  if (Code(*p) == '0' && spec.align == 0) {
    spec.fill = '0';
    spec.align = '=';
    ++p;
  }
  if (IsDigit(*p)) spec.width = static_cast<std::uint16_t>(ParseDecimal(p, UINT16_MAX));
  if (Code(*p) == '\'' || Code(*p) == ',' || Code(*p) == '_') spec.grouping = static_cast<char>(*p++);
  if (Code(*p) == '.') {
    ++p;
    spec.flags |= KVFormatSpec::kPrecision;
    spec.precision = static_cast<std::uint16_t>(ParseDecimal(p, UINT16_MAX));
  }
  for (;; ++p) {
    const std::uint32_t c = Code(*p);
    if (c == 0) return false;
    if (c == '}') break;
    switch (c) {
      case 'd': case 'n': case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': break;
      case 'x': spec.flags |= KVFormatSpec::kHex; break;
      case 'X': spec.flags |= KVFormatSpec::kHex | KVFormatSpec::kUpperCase; break;
      case 'c': spec.flags |= KVFormatSpec::kCharacter; break;
      case 's': spec.flags |= KVFormatSpec::kString; break;
      default: Report(Problem::kUnsupportedSpecifier, c); break;
    }
  }
  if ((spec.flags & (KVFormatSpec::kAlternate | KVFormatSpec::kHex)) ==
      (KVFormatSpec::kAlternate | KVFormatSpec::kHex)) {
    spec.flags |= KVFormatSpec::kFullWidth;
  }
  return true;
}

template <class Ch>
void KVFormatterT<Ch>::Report(Problem problem, std::uint32_t value) const {
  if (!diagnostics_) return;
  const unsigned number = value;
  const int code = static_cast<int>(value);
  const char* severity = "ERROR";
  std::string detail;  // no snprintf: the C99 printf of the mingw run-time is large
  switch (problem) {
    case Problem::kDiscardedBracket:
      severity = "WARNING";
      detail = "Discarding unexpected closing bracket }";
      break;
    case Problem::kConversionFailed:
      detail = "Conversion of argument " + std::to_string(number) + " failed";
      break;
    case Problem::kNoArgument:
      detail = "No argument for {} replacement field";
      break;
    case Problem::kInvalidIndex:
      detail = "Index=" + std::to_string(number) + " is not a valid argument index";
      break;
    case Problem::kUnsupportedSpecifier:
      severity = "WARNING";
      detail = "Ignoring unsupported format specifier " + std::to_string(code);
      break;
    case Problem::kIncompleteSpec:
      detail = "Incomplete format field";
      break;
    case Problem::kUnexpectedCharacter:
      severity = "WARNING";
      detail = "Ignoring unexpected character " + std::to_string(code) + " within {} replacement field";
      break;
    case Problem::kMoreArguments:
      detail = "More arguments than {} replacement fields";
      break;
    case Problem::kMissingBracket:
      detail = "Missing closing bracket }";
      break;
  }
  KVDiagnosticN(kDiagnosticLine, "%s: %s: %s: %s. FormatString follows, %u arguments.\n", kDiagnosticPrefix,
                severity, kFormatArgsName<Ch>, detail.c_str(), argCount_);
  ReportFormatString(format_);
}

template <class Ch>
std::basic_string<Ch> KVFormatStringArgs(const Ch* format, const KVFormatArgT<Ch>* args, std::uint32_t count) {
  KVFormatterT<Ch> formatter;
  const std::size_t length = formatter.FormatArgs(format, args, count);
  std::basic_string<Ch> text(length, Ch());
  formatter.SetDiagnostics(false);
  formatter.SetBuffer(text.data(), length + 1);
  formatter.FormatArgs(format, args, count);
  return text;
}

template std::string KVFormatStringArgs(const char*, const KVFormatArgT<char>*, std::uint32_t);
template std::u16string KVFormatStringArgs(const char16_t*, const KVFormatArgT<char16_t>*, std::uint32_t);

template class KVFormatterImplT<char>;
template class KVFormatterImplT<char16_t>;
template class KVFormatterT<char>;
template class KVFormatterT<char16_t>;

std::u16string KVFormatDecimal(std::uint32_t value) { return KVFormat(u"{}", value); }

}  // namespace kestrova

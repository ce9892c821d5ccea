// A small command-line parser: positional arguments and options "--name value", matched on UTF-8 text.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/ErrorCodes.h"

namespace kestrova {

// A file-system path as the portable core holds it.
using KVStdPath = std::u16string;

// Converts the UTF-8 text of an argument into its target type. Specialised per target type; a type
// without a specialisation cannot be bound to an argument. Returns 0 or an error code (target then unchanged).
struct KVCmdLineArgHandler {
  template <class T>
  static KVResult ProcessValue(T& target, const std::string& text);
};

// As written; no conversion.
template <>
KVResult KVCmdLineArgHandler::ProcessValue<std::string>(std::string& target, const std::string& text);
// UTF-8 to UTF-16; ill-formed sequences become U+FFFD. Serves KVStdPath as well.
template <>
KVResult KVCmdLineArgHandler::ProcessValue<std::u16string>(std::u16string& target, const std::string& text);

// What an option is registered from; registration binds it to its variable and makes it take a value.
// Empty names never match.
struct KVCmdLineOptionRecord {
  const char* shortName;
  const char* longName;
  bool required;
};

template <class CharT>
class KVCmdLineParserT {
 public:
  using StringType = std::basic_string<CharT>;
  // Receives each error or warning text once, without a line end.
  using ErrorOutput = std::function<void(const StringType& message)>;

  class ArgBase {
   public:
    ArgBase(bool required, bool* seenFlag) : required_(required), seenFlag_(seenFlag) {}
    virtual ~ArgBase() = default;
    ArgBase(const ArgBase&) = delete;
    ArgBase& operator=(const ArgBase&) = delete;

    virtual bool TakesValue() const { return false; }
    virtual StringType ShortName() const { return StringType(); }
    virtual StringType LongName() const { return StringType(); }
    // Converts and stores `text`; 0 or an error code.
    virtual KVResult ProcessValue(const StringType& text) = 0;

    bool Required() const { return required_; }
    bool Seen() const { return seen_; }
    void MarkSeen() {
      seen_ = true;
      if (seenFlag_ != nullptr) *seenFlag_ = true;
    }

   private:
    bool required_;
    bool seen_ = false;
    bool* seenFlag_;  // the caller's, may be null
  };

  // A positional argument stored into a T.
  template <class T>
  class ArgT : public ArgBase {
   public:
    ArgT(T& target, bool required, bool* seenFlag = nullptr) : ArgBase(required, seenFlag), target_(&target) {}
    KVResult ProcessValue(const StringType& text) override {
      return KVCmdLineArgHandler::ProcessValue(*target_, text);
    }

   private:
    T* target_;
  };

  // A named argument: "-short" or "--long", with or without a value in the following element.
  template <class T>
  class Option : public ArgT<T> {
   public:
    Option(StringType shortName, StringType longName, bool takesValue, T& target, bool required,
           bool* seenFlag = nullptr)
        : ArgT<T>(target, required, seenFlag),
          shortName_(std::move(shortName)),
          longName_(std::move(longName)),
          takesValue_(takesValue) {}
    bool TakesValue() const override { return takesValue_; }
    StringType ShortName() const override { return shortName_; }
    StringType LongName() const override { return longName_; }

   private:
    StringType shortName_;
    StringType longName_;
    bool takesValue_;
  };

  KVCmdLineParserT() = default;
  KVCmdLineParserT(const KVCmdLineParserT&) = delete;
  KVCmdLineParserT& operator=(const KVCmdLineParserT&) = delete;

  // Positional arguments are filled in the order of registration.
  template <class T>
  ArgT<T>& AddArgument(T& target, bool required, bool* seenFlag = nullptr) {
    auto argument = std::make_unique<ArgT<T>>(target, required, seenFlag);
    ArgT<T>& result = *argument;
    arguments_.push_back(std::move(argument));
    return result;
  }

  // Registers an option that takes a value; options are searched in the order of registration.
  template <class T>
  Option<T>& AddOption(const KVCmdLineOptionRecord& record, T& target, bool* seenFlag = nullptr) {
    auto option = std::make_unique<Option<T>>(StringType(record.shortName), StringType(record.longName), true,
                                              target, record.required, seenFlag);
    Option<T>& result = *option;
    options_.push_back(std::move(option));
    return result;
  }

  // Registers an option of any kind, e.g. one that takes no value.
  ArgBase& AddOption(std::unique_ptr<ArgBase> option) {
    options_.push_back(std::move(option));
    return *options_.back();
  }

  // Surplus positional arguments go to the narrow collector when there is one, else to the wide one
  // (converted to UTF-16); with neither they are errors unless ignored.
  void SetNarrowCollector(std::vector<StringType>* collector) { narrowCollector_ = collector; }
  void SetWideCollector(std::vector<std::u16string>* collector) { wideCollector_ = collector; }
  void SetIgnoreUnknownOptions(bool ignore) { ignoreUnknownOptions_ = ignore; }
  void SetIgnoreUnexpectedArguments(bool ignore) { ignoreUnexpectedArguments_ = ignore; }
  void SetErrorOutput(ErrorOutput output) { errorOutput_ = std::move(output); }

  // Element 0 of the parsed vector unless set before.
  const StringType& ProgramName() const { return programName_; }
  void SetProgramName(StringType name) { programName_ = std::move(name); }

  // Parses `argv` (element 0 is the program name). Stops at the first error, which is reported once
  // through the error output; values stored before it stay stored.
  KVResult Parse(const std::vector<StringType>& argv);

  // "-x..." or "--x..." with x an ASCII letter.
  static bool IsOptionLike(const StringType& element);

 private:
  ArgBase* FindOption(const StringType& element) const;
  void Report(const std::string& message) const;

  std::vector<std::unique_ptr<ArgBase>> arguments_;
  std::vector<std::unique_ptr<ArgBase>> options_;
  std::vector<StringType>* narrowCollector_ = nullptr;
  std::vector<std::u16string>* wideCollector_ = nullptr;
  StringType programName_;
  bool ignoreUnknownOptions_ = false;
  bool ignoreUnexpectedArguments_ = false;
  ErrorOutput errorOutput_;
};

extern template class KVCmdLineParserT<char>;
using KVCmdLineParser = KVCmdLineParserT<char>;

}  // namespace kestrova

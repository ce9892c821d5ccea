#include "support/CmdLineParser.h"

#include "support/Formatter.h"
#include "support/Text.h"

namespace kestrova {

template <>
KVResult KVCmdLineArgHandler::ProcessValue<std::string>(std::string& target, const std::string& text) {
  target = text;
  return KV_OK;
}

template <>
KVResult KVCmdLineArgHandler::ProcessValue<std::u16string>(std::u16string& target, const std::string& text) {
  target = Utf8ToUtf16(text);
  return KV_OK;
}

namespace {

template <class CharT>
bool IsAsciiLetter(CharT c) {
  return (c >= CharT('a') && c <= CharT('z')) || (c >= CharT('A') && c <= CharT('Z'));
}

}  // namespace

template <class CharT>
bool KVCmdLineParserT<CharT>::IsOptionLike(const StringType& element) {
  const CharT hyphen = CharT('-');
  if (element.size() >= 2 && element[0] == hyphen && IsAsciiLetter(element[1])) return true;
  return element.size() >= 3 && element[0] == hyphen && element[1] == hyphen && IsAsciiLetter(element[2]);
}

template <class CharT>
typename KVCmdLineParserT<CharT>::ArgBase* KVCmdLineParserT<CharT>::FindOption(const StringType& element) const {
  // "--name" may match a long name; "-name" and "--name" alike may match a short name after the first hyphen.
  const bool doubleHyphen = element.size() > 2 && element[0] == CharT('-') && element[1] == CharT('-');
  const StringType afterOne = element.substr(1);
  const StringType afterTwo = doubleHyphen ? element.substr(2) : StringType();
  for (const auto& option : options_) {
    const StringType longName = option->LongName();
    if (doubleHyphen && !longName.empty() && longName == afterTwo) return option.get();
    const StringType shortName = option->ShortName();
    if (!shortName.empty() && shortName == afterOne) return option.get();
  }
  return nullptr;
}

template <class CharT>
void KVCmdLineParserT<CharT>::Report(const std::string& message) const {
  if (errorOutput_) errorOutput_(message);
}

template <class CharT>
KVResult KVCmdLineParserT<CharT>::Parse(const std::vector<StringType>& argv) {
  if (programName_.empty() && !argv.empty()) programName_ = argv[0];

  for (std::size_t i = 1; i < argv.size(); ++i) {
    const StringType& element = argv[i];

    if (IsOptionLike(element)) {
      ArgBase* option = FindOption(element);
      if (option == nullptr) {
        if (ignoreUnknownOptions_) {
          Report(KVFormat("Ignoring unknown option {}.", element));
          continue;
        }
        Report(KVFormat("Unknown option {}.", element));
        return KV_E_UNKNOWN_OPTION;
      }
      if (option->TakesValue()) {
        if (i + 1 >= argv.size()) {
          Report(KVFormat("Missing value for option {}.", element));
          return KV_E_MISSING_VALUE;
        }
        const StringType& value = argv[++i];
        const KVResult result = option->ProcessValue(value);
        if (result != KV_OK) {
          Report(KVFormat("Invalid value {} for option {}.", value, element));
          return result;
        }
      } else {
        (void)option->ProcessValue(StringType());  // a switch: its code does not matter
      }
      option->MarkSeen();
      continue;
    }

    ArgBase* positional = nullptr;
    for (const auto& argument : arguments_) {
      if (!argument->Seen()) {
        positional = argument.get();
        break;
      }
    }
    if (positional != nullptr) {
      const KVResult result = positional->ProcessValue(element);
      if (result != KV_OK) {
        Report(KVFormat("Invalid argument {}.", element));
        return result;
      }
      positional->MarkSeen();
    } else if (narrowCollector_ != nullptr) {
      narrowCollector_->push_back(element);
    } else if (wideCollector_ != nullptr) {
      wideCollector_->push_back(Utf8ToUtf16(element));
    } else if (!ignoreUnexpectedArguments_) {
      Report(KVFormat("Unexpected argument {}.", element));
      return KV_E_UNEXPECTED_ARGUMENT;
    }
  }

  for (const auto& argument : arguments_) {
    if (argument->Required() && !argument->Seen()) {
      Report("Missing argument.");
      return KV_E_MISSING_ARGUMENT;
    }
  }
  for (const auto& option : options_) {
    if (option->Required() && !option->Seen()) {
      Report(KVFormat("Missing required option {} ({}).", option->ShortName(), option->LongName()));
      return KV_E_MISSING_OPTION;
    }
  }
  return KV_OK;
}

template class KVCmdLineParserT<char>;

}  // namespace kestrova

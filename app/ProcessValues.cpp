#include "app/ProcessValues.h"

namespace {
std::u16string& Title() {
  static std::u16string title = kDefaultApplicationTitle;
  return title;
}
std::u16string& Folder() {
  static std::u16string folder;
  return folder;
}
}  // namespace

const std::u16string& ApplicationTitle() { return Title(); }
void SetApplicationTitle(std::u16string title) { Title() = std::move(title); }
const std::u16string& ProgramFolder() { return Folder(); }
void SetProgramFolder(std::u16string folder) { Folder() = std::move(folder); }

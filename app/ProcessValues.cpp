#include "app/ProcessValues.h"

#include "support/StubContract.h"

namespace {
std::u16string& Title() {
  static std::u16string title = kestrova::kDefaultApplicationTitle;
  return title;
}
}  // namespace

const std::u16string& ApplicationTitle() { return Title(); }
void SetApplicationTitle(std::u16string title) { Title() = std::move(title); }

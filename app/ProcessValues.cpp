#include "app/ProcessValues.h"

#include "support/StubContract.h"

namespace {
// At namespace scope: a function-local static would need the run-time's thread-safe guard, which brings the
// thread library's once and condition code into the stub. Nothing reads it before main.
std::u16string g_title(kestrova::kDefaultApplicationTitle);
}  // namespace

const std::u16string& ApplicationTitle() { return g_title; }
void SetApplicationTitle(std::u16string title) { g_title = std::move(title); }

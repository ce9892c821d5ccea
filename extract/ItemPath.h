// Item paths of the payload, as the archive library reports them, and the rule that keeps them in the target.
#pragma once
#include <string_view>
#include <vector>

// The parts of an item path, split at '\' and '/'; empty parts (doubled or trailing separators) are dropped.
std::vector<std::u16string_view> SplitItemPath(std::u16string_view path);

// True when the path, joined to the target folder, names something inside that folder: it is relative (no leading
// separator, so no "\\server" or "\\?\" form), has no drive prefix ("C:"), no part made only of dots and blanks
// ("..", ".", ". .", which Windows folds away or climbs with) and no part that Windows maps to a device (CON, NUL,
// COM1, LPT1, ... with any extension). A colon after the first character names an alternate data stream.
bool IsSafeItemPath(std::u16string_view path);

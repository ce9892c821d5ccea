// Item paths of the payload, as the archive library reports them, and the rule that keeps them in the target.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// The parts of an item path, split at '\' and '/'; empty parts (doubled or trailing separators) are dropped.
std::vector<std::u16string_view> SplitItemPath(std::u16string_view path);

// The path without its "." parts ("./a/./b" is "a/b"), which name the folder they are in; separators as stored.
// An item "." (or "./") is the target folder itself and becomes empty.
std::u16string WithoutDotParts(std::u16string_view path);

// True when the path, joined to the target folder, names something inside that folder: it is relative (no leading
// separator, so no "\\server" or "\\?\" form), has no drive prefix ("C:"), no part made only of dots and blanks
// other than "." itself ("..", ". .", "...", which Windows folds away or climbs with) and no part that Windows maps
// to a device (CON, NUL, COM1, LPT1, ... with any extension). A colon after the first character names an alternate
// data stream. The target folder itself ("." alone) is not an item path inside it.
bool IsSafeItemPath(std::u16string_view path);

// Deleting a folder tree, and the pass that removes folders once their pending files have gone.
#pragma once
#include <cstdint>
#include <string>

#include "support/ErrorCodes.h"

struct DeletionCounts {
  std::uint32_t pendingFiles = 0;   // deleted, but still held open by someone with delete sharing
  std::uint32_t failedFiles = 0;
  std::uint32_t failedFolders = 0;
};

enum class FileDeletion { Gone, Pending };

// Deletes one file, clearing its read-only attribute first. A file that is already gone counts as deleted; one
// that is still there after its deletion is pending (someone holds it open with delete sharing). 0 with the
// outcome, or the system error.
kestrova::KVResult DeleteOneFile(const std::u16string& path, FileDeletion& outcome);

// Deletes the folder with everything in it. Entries with the system attribute stay (KV_E_ENTRY_LEFT), and so do their
// folders; linked folders (reparse points) are removed as links, never entered. Returns 0; KV_E_FOLDER_NOT_EMPTY when
// everything inside was deleted but the folder still reports "not empty" (its deleted files are pending); or the
// first error met. A folder in use (a process that has just ended may still hold it as its current folder)
// counts as not empty. The counts are added to `counts` when given.
kestrova::KVResult DeleteDirectoryTree(const std::u16string& folder, DeletionCounts* counts);

// Removes the folder and the folders below it that hold nothing but empty folders; files are not touched. A
// folder that does not exist is fine; one still in use or not empty remains. Adds the folders that remain to
// `remaining` when given. 0 or the first error.
kestrova::KVResult RemoveEmptyFolders(const std::u16string& folder, std::uint32_t* remaining);

#pragma once
// Each process keeps its record file under its own name, so two programs that share a
// settings folder (started under different program names) never write into each
// other's records. A file left by a process that ended abnormally is removed by the
// next start.
#include <string>

namespace vornix {

// folder + "Vornix-" + pid + ".$$$"; folder ends in "/". This is the place the record
// file is asked for: the store adds a random tag to the name when it creates the file.
std::string WordFilePathFor(const std::string& folder, long pid);

// Deletes record files in folder whose process no longer runs, when the folder is this
// user's own and no one else may write in it, and only regular files of this user.
// Returns how many.
int RemoveStaleWordFiles(const std::string& folder);

}  // namespace vornix

#pragma once
// Replacing a user's file (settings, word lists, saved analyses, --output) never leaves
// it half-written: the bytes go to a temporary file in the same folder, are flushed to
// disk, and the temporary file is renamed over the old one. On any failure the
// temporary file is removed and the old file stays exactly as it was.
#include <string>
#include <string_view>

namespace vornix {

// Writes bytes to path atomically. Throws FileError with "Cannot create file PATH (reason)"
// when the file cannot be created or written. When keepMode is set and the file exists,
// the new file gets the old one's permission bits.
void WriteFileAtomically(const std::string& path, std::string_view bytes, bool keepMode = true);

// Reads a whole file; throws FileError("Cannot open file PATH") when it cannot be opened
// or read.
std::string ReadWholeFile(const std::string& path);

}  // namespace vornix

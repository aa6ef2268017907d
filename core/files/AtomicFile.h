#pragma once
// Replacing a user's file (settings, word lists, saved analyses, --output) never leaves
// it half-written: the bytes go to a temporary file in the same folder, are flushed to
// disk, and the temporary file is renamed over the old one. On any failure the
// temporary file is removed and the old file stays exactly as it was.
#include <cstdint>
#include <string>
#include <string_view>

namespace vornix {

// Writes bytes to path atomically. Throws FileError with "Cannot create file PATH (reason)"
// when the file cannot be created or written. When keepMode is set and the file exists,
// the new file gets the old one's permission bits.
void WriteFileAtomically(const std::string& path, std::string_view bytes, bool keepMode = true);

// Writes the command line's output file. A regular file (or a missing one) is replaced
// atomically; a symbolic link keeps pointing where it did and its target is replaced; a
// file without write permission is refused with "File access denied"; a device, FIFO
// or socket is written in place; a folder is refused.
void WriteOutputFile(const std::string& path, std::string_view bytes);

// Temporary files of a save are named ".vornix-tmp-XXXXXX" in the saved file's folder.
// One left by a save that was killed is removed by the next save into that folder (and
// at start-up for the settings folder) once it is older than maxAgeSeconds and belongs
// to this user. Returns how many were removed.
int RemoveStaleTempFiles(const std::string& folder, long maxAgeSeconds = 24L * 60 * 60);

// The file a chain of symbolic links ends at (the path itself when it is no link); a
// dangling link gives the missing file it names, so a save creates it there and the
// link stays. Empty, with errno set, for a loop.
std::string FollowLinks(std::string path);

// Opens /dev/null onto any of descriptors 0, 1 and 2 that is closed, so that no file the
// program opens later takes their place. Returns which were closed (bit 1 << fd), or -1
// when one cannot be opened.
int OpenStandardDescriptors();

// Reads a whole file; throws FileError("Cannot open file PATH (reason)") when it cannot be opened
// or read. With a limit, only a regular file of at most that many bytes is read: a FIFO,
// a device or a bigger file is refused unread ("(not a regular file)", "(File too
// large)"), so that a file of ours put to such use can neither hang nor flood the program.
std::string ReadWholeFile(const std::string& path, std::size_t limit = SIZE_MAX);

}  // namespace vornix

#pragma once
// Replacing a user's file (settings, word lists, saved analyses, --output) never leaves
// it half-written: the bytes go to a temporary file in the same folder, are flushed to
// disk, and the temporary file is renamed over the old one. On any failure the
// temporary file is removed and the old file stays exactly as it was.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/files/SignalCleanup.h"

namespace vornix {

// A file replaced atomically, written in pieces: the bytes go to a temporary file in the
// same folder, and Commit flushes it to disk and renames it over path. Destroyed without
// Commit (a failure, an exception) it removes the temporary file, and the old file stays
// exactly as it was; a termination signal removes it too (SignalCleanup.h). The new file
// keeps the old one's owner and group where this process may set them (root writing over
// a user's file leaves it the user's, as the shell's ">" does), and with keepMode its
// permission bits. Failures throw FileError "Cannot create file SHOWN (reason)", where
// shown is path unless given.
class AtomicFile {
public:
    explicit AtomicFile(const std::string& path, bool keepMode = true, const std::string& shown = {});
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    void Write(std::string_view bytes);
    void Commit();

private:
    std::string path_, shown_, temp_;
    int fd_ = -1;
    bool keepMode_;
    bool committed_ = false;
    std::unique_ptr<RemovedOnSignal> held_;
};

// Writes bytes to path atomically (see AtomicFile).
void WriteFileAtomically(const std::string& path, std::string_view bytes, bool keepMode = true);

// The command line's output file, written in pieces. A regular file (or a missing one) is
// replaced atomically; a symbolic link keeps pointing where it did and its target is
// replaced (under FollowLinks' rule for shared folders); a file without write permission
// is refused with "File access denied"; a device, FIFO or socket is written in place; a
// folder is refused. Nothing but a device is touched before Commit.
class OutputFile {
public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    void Write(std::string_view bytes);
    void Commit();

private:
    std::string path_;
    std::unique_ptr<AtomicFile> atomic_;
    int fd_ = -1;  // a device, pipe or socket, written in place
};

// Writes the command line's output file whole (see OutputFile).
void WriteOutputFile(const std::string& path, std::string_view bytes);

// Temporary files of a save are named ".vornix-tmp-XXXXXX" in the saved file's folder.
// One left by a save that was killed is removed by the next save into that folder (and
// at start-up for the settings folder) once it is older than maxAgeSeconds and belongs
// to this user. Returns how many were removed.
int RemoveStaleTempFiles(const std::string& folder, long maxAgeSeconds = 24L * 60 * 60);

// The file a chain of symbolic links ends at (the path itself when it is no link); a
// dangling link gives the missing file it names, so a save creates it there and the
// link stays. Empty, with errno set, for a loop (ELOOP), and for a link in a sticky
// folder that others may write which belongs neither to this user nor to the folder's
// owner, or for such a link among the folders on the way to the file (EACCES): the
// kernel's rule for shared folders such as /tmp (protected_symlinks),
// kept whatever the kernel's setting, so that a link another user planted there cannot
// turn our save onto a file of ours.
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
// The same, guarded whatever the limit: only a regular file is read.
std::string ReadRegularFile(const std::string& path, std::size_t limit = SIZE_MAX);

}  // namespace vornix

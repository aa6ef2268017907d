#pragma once
// Shared test helpers: a real temporary folder, removed with everything in it.
#include <string>
#include <string_view>

namespace vornix::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(std::string_view name) const;
    // Writes bytes to a file in the folder and returns its path.
    std::string write(std::string_view name, std::string_view bytes) const;

private:
    std::string path_;
};

// While it lives, files this process writes may not grow past the given size: a write
// past it fails with EFBIG (SIGXFSZ is ignored), which stands in for a full disk and
// stops root too, whom permission bits do not. Child processes inherit it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long long savedCur_ = 0, savedMax_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// True when permission bits do not stop this process (tests run as root in CI).
bool IgnoresPermissions();
// The reason a test gives when it skips for that.
inline constexpr const char* kRootSkip = "running as root, whom permission bits do not stop";

// A real text kept with the tests (tests/data/corpus), so that the tests that need one
// run on every clone.
std::string CorpusExcerpt(std::string_view name);
// A text of the larger shared corpus beside the checkout, unpacked into dir: the xz file
// packed, or one member of the tar.xz file packed. "" when that corpus is not there or
// cannot be unpacked; tests then run on the excerpts alone.
std::string UnpackSharedText(const TempDir& dir, std::string_view packed, std::string_view member = {});

}  // namespace vornix::test

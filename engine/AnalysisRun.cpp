#include "engine/AnalysisRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "engine/Errors.h"
#include "engine/Scanner.h"

namespace vornix {

namespace {

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

// Documents are read in blocks rather than whole: the scanner keeps its state across
// blocks, so the words are the same, and a huge file never has to fit in memory.
constexpr std::size_t kReadBlock = 1 << 20;

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

bool FileNameLess(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
        unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::string LimitMessage() {
    return "Reached unique-words limit " + std::to_string(WordStore::MaxWords) + ": cannot read more.";
}

AnalysisRun::AnalysisRun(std::string wordFilePath, bool anonymous) : store(std::move(wordFilePath), state, anonymous) {}

void AnalysisRun::GeneralInitialize(CharacterSet set, const std::string* commonListPath) {
    CharMap = BuildCharMap(set);
    state = RunState{};
    FileList.clear();
    store.ClearStore();
    if (commonListPath) {
        state.Increment = 0;
        state.ReadingCommon = true;
        if (hooks.showStatus) hooks.showStatus("Reading common words list ...");
        Vornix(*commonListPath, false);
    }
    state.CommonWords = store.WordCount();
    state.CommonUnused = store.WordCount();
    state.TotalWords = 0;
    state.UniqueNumbers = 0;
    state.Increment = 1;
    state.ReadingCommon = false;
}

void AnalysisRun::AddFileName(std::string name) {
    auto at = std::upper_bound(FileList.begin(), FileList.end(), name,
                               [](const std::string& a, const std::string& b) { return FileNameLess(a, b); });
    FileList.insert(at, std::move(name));
}

template <class Source>
void AnalysisRun::Scan(Source&& source, bool stripPossessives) {
    Scanner scanner(CharMap);
    scanner.Start();
    const bool strip = stripPossessives && !state.ReadingCommon;
    auto onWord = [&](std::string_view word) {
        if (strip) word = word.substr(0, StripPossessive(word.data(), word.size()));
        // A word the full store refused was not read into the results, so it is not
        // counted either.
        if (store.AddWord(word)) ++state.TotalWords;
        if (state.TotalWords % 100 == 0 && hooks.showProgress) hooks.showProgress();
        if (state.BreakRequested) {
            state.BreakRequested = false;
            if (hooks.confirmStop && hooks.confirmStop()) state.StopRun = true;
        }
        return !state.StopRun;
    };
    if (source(scanner, onWord)) scanner.Finish(onWord);
}

void AnalysisRun::Vornix(const std::string& path, bool stripPossessives) {
    if (!state.ReadingCommon) {
        auto slash = path.rfind('/');
        AddFileName(slash == std::string::npos ? path : path.substr(slash + 1));
    }
    FileCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) throw FileError(DescribeFileFailure("Cannot open file", path, errno), errno);
    ScanDescriptor(file.fd, path, stripPossessives);
}

void AnalysisRun::VornixStream(int fd, const std::string& name, bool stripPossessives) {
    if (!state.ReadingCommon) AddFileName(name);
    ScanDescriptor(fd, name, stripPossessives);
}

void AnalysisRun::ScanDescriptor(int fd, const std::string& path, bool stripPossessives) {
    auto buffer = std::make_unique<unsigned char[]>(kReadBlock);
    // A hole in a sparse file reads as zero bytes, which are separators: the scanner is
    // given one zero for the whole hole instead of reading gigabytes of them.
    struct stat info {};
    // A file that reports size 0 may still have content (/proc and the like): it is read
    // to its end, never taken as one hole.
    bool sparseAware = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
    off_t position = sparseAware ? ::lseek(fd, 0, SEEK_CUR) : -1;
    if (position < 0) sparseAware = false;
    static const unsigned char zero = 0;
    Scan(
        [&](Scanner& scanner, auto& onWord) {
            for (;;) {
                if (sparseAware) {
                    const off_t data = ::lseek(fd, position, SEEK_DATA);
                    if (data < 0 && errno == ENXIO) {  // nothing but a hole up to the end
                        if (position < info.st_size && !scanner.Feed(&zero, 1, onWord)) return false;
                        return true;
                    }
                    if (data < 0) {
                        sparseAware = false;  // the file system cannot tell: read it all
                        if (::lseek(fd, position, SEEK_SET) < 0)
                            throw FileError(DescribeFileFailure("Cannot open file", path, errno), errno);
                    } else if (data > position) {
                        if (!scanner.Feed(&zero, 1, onWord)) return false;
                        position = data;
                    }
                }
                ssize_t got = ::read(fd, buffer.get(), kReadBlock);
                if (got < 0) {
                    if (errno == EINTR) continue;
                    // a folder, or a read error
                    throw FileError(DescribeFileFailure("Cannot open file", path, errno), errno);
                }
                if (got == 0) return true;
                position += got;
                if (!scanner.Feed(buffer.get(), static_cast<std::size_t>(got), onWord)) return false;
            }
        },
        stripPossessives);
}

void AnalysisRun::VornixText(std::string_view text, const std::string& name, bool stripPossessives) {
    if (!state.ReadingCommon) AddFileName(name);
    Scan(
        [&](Scanner& scanner, auto& onWord) {
            return scanner.Feed(reinterpret_cast<const unsigned char*>(text.data()), text.size(), onWord);
        },
        stripPossessives);
}

void AnalysisRun::ReadDocuments(const std::vector<std::string>& paths, bool stripPossessives) {
    const std::size_t n = paths.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (hooks.showStatus)
            hooks.showStatus("Reading " + paths[i] + " (" + std::to_string(i + 1) + " of " + std::to_string(n) + ")");
        ++state.FilesRead;
        if (paths[i] == "-")
            VornixStream(STDIN_FILENO, "stdin", stripPossessives);
        else
            Vornix(paths[i], stripPossessives);
        if (state.StopRun) break;
    }
}

void AnalysisRun::GeneralClosedown() {
    if (hooks.showStatus) hooks.showStatus("Calculating word-frequency table ...");
    store.FinishScan();
    BuildOrders(store, orders);
}

RunStats AnalysisRun::Stats() const {
    RunStats s;
    const std::int32_t words = store.WordCount();
    s.FileCount = state.FilesRead;
    s.CommonWords = state.CommonWords;
    s.CommonFound = state.CommonWords - state.CommonUnused;
    s.CommonUnused = state.CommonUnused;
    s.TotalWords = state.TotalWords;
    s.UniqueWords = words - state.CommonUnused;
    s.UniqueNonCommon = words - state.CommonWords;
    s.UniqueNumbers = state.UniqueNumbers;
    return s;
}

std::string AnalysisRun::ProgressText() const {
    return "Words " + std::to_string(state.TotalWords) + " ... Unique " +
           std::to_string(store.WordCount() - state.CommonUnused);
}

}  // namespace vornix

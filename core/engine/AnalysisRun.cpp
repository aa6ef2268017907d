#include "core/engine/AnalysisRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "core/engine/Errors.h"
#include "core/engine/ParallelScan.h"
#include "core/engine/Scanner.h"
#include "core/engine/TextRules.h"

namespace vornix {

namespace {

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
        unsigned char x = AsciiUpper(static_cast<unsigned char>(a[i]));
        unsigned char y = AsciiUpper(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::string LimitMessage() {
    return "Reached unique-words limit " + std::to_string(WordStore::MaxWords) + ": cannot read more.";
}

AnalysisRun::AnalysisRun(std::string wordFilePath, bool anonymous)
    : store_(std::move(wordFilePath), state_, anonymous) {}

void AnalysisRun::GeneralInitialize(CharacterSet set, const std::string* commonListPath, EncodingChoice encoding) {
    charMap_ = BuildCharMap(set);
    encoding_ = encoding;
    state_ = RunState{};
    fileList_.clear();
    inputs_.clear();
    store_.ClearStore();
    if (commonListPath) {
        state_.Increment = 0;
        state_.ReadingCommon = true;
        if (hooks_.showStatus) hooks_.showStatus("Reading common words list ...");
        Vornix(*commonListPath, false);
    }
    state_.CommonWords = store_.WordCount();
    state_.CommonUnused = store_.WordCount();
    state_.TotalWords = 0;
    state_.UniqueNumbers = 0;
    state_.Increment = 1;
    state_.ReadingCommon = false;
    chunks_.Start();
}

void AnalysisRun::AddFileName(std::string name) {
    auto at = std::upper_bound(fileList_.begin(), fileList_.end(), name,
                               [](const std::string& a, const std::string& b) { return FileNameLess(a, b); });
    fileList_.insert(at, std::move(name));
}

RunInput* AnalysisRun::BeginInput(const std::string& name, bool strip) {
    if (state_.ReadingCommon) return nullptr;
    AddFileName(name);
    RunInput& input = inputs_.emplace_back();
    input.name = name;
    input.strip = strip;
    return &input;
}

void AnalysisRun::EndInput(RunInput* input, std::int32_t wordsBefore) {
    if (!input) return;
    input->words = state_.TotalWords - wordsBefore;
    input->stopped = state_.StopRun;
}

bool AnalysisRun::KeepGoing() {
    if (state_.BreakRequested) {
        state_.BreakRequested = false;
        if (hooks_.confirmStop && hooks_.confirmStop()) state_.StopRun = true;
    }
    return !state_.StopRun;
}

template <class Source>
void AnalysisRun::Scan(Source&& source, bool stripPossessives) {
    Scanner scanner(charMap_);
    scanner.Start();
    const bool strip = stripPossessives && !state_.ReadingCommon;
    auto onWord = [&](std::string_view word) {
        if (strip) word = word.substr(0, StripPossessive(word.data(), word.size()));
        // A word the full store refused was not read into the results, so it is not
        // counted either.
        if (store_.AddWord(word)) {
            ++state_.TotalWords;
            // The list's words are noted too, harmlessly: the chunks start afresh after it.
            chunks_.Note(store_.LastRecord());
        }
        if (state_.TotalWords % 100 == 0 && hooks_.showProgress) hooks_.showProgress();
        return KeepGoing();
    };
    if (source(scanner, onWord)) scanner.Finish(onWord);
}

void AnalysisRun::Vornix(const std::string& path, bool stripPossessives) {
    auto slash = path.rfind('/');
    RunInput* input = BeginInput(slash == std::string::npos ? path : path.substr(slash + 1), stripPossessives);
    // O_NONBLOCK: opening a named pipe would otherwise wait for a writer.
    FileCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | (regularOnly_ ? O_NONBLOCK | O_NOCTTY : 0))};
    if (file.fd < 0) {
        if (input) inputs_.pop_back();
        throw FileFailure("Cannot open file", path, errno);
    }
    if (regularOnly_) {
        struct stat info {};
        if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            if (input) inputs_.pop_back();
            throw FileError("Cannot open file " + path + " (not a regular file)", EINVAL);
        }
        ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    }
    if (input) {
        input->path = path;
        struct stat info {};
        if (::fstat(file.fd, &info) == 0) {
            input->size = info.st_size;
            input->mtimeNs = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        }
    }
    const std::int32_t before = state_.TotalWords;
    ScanDescriptor(file.fd, path, stripPossessives, input);
    EndInput(input, before);
}

void AnalysisRun::VornixStream(int fd, const std::string& name, bool stripPossessives) {
    RunInput* input = BeginInput(name, stripPossessives);
    if (input) input->stream = true;
    const std::int32_t before = state_.TotalWords;
    ScanDescriptor(fd, name, stripPossessives, input);
    EndInput(input, before);
}

namespace {

// Reads a descriptor in blocks. A hole in a sparse file reads as zero bytes, which are
// separators: it comes as one Hole instead of gigabytes of zeros.
class BlockReader {
public:
    enum Kind { Data, Hole, End };

    BlockReader(int fd, const std::string& path, std::size_t block) : fd_(fd), path_(path), block_(block) {
        struct stat info {};
        regular_ = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
        // A file that reports size 0 may still have content (/proc and the like): it is
        // read to its end, never taken as one hole.
        sparseAware_ = regular_ && info.st_size > 0;
        size_ = info.st_size;
        position_ = regular_ ? ::lseek(fd, 0, SEEK_CUR) : -1;
        if (position_ < 0) sparseAware_ = regular_ = false;
        buffer_ = std::make_unique<unsigned char[]>(block);
    }

    // A regular file, which may be read ahead and then read again from here.
    bool Rereadable() const { return regular_; }

    Kind Next(const unsigned char*& p, std::size_t& n) {
        for (;;) {
            if (ended_) return End;
            if (sparseAware_) {
                const off_t data = ::lseek(fd_, position_, SEEK_DATA);
                if (data < 0 && errno == ENXIO) {  // nothing but a hole up to the end
                    ended_ = true;
                    return position_ < size_ ? Hole : End;
                }
                if (data < 0) {
                    sparseAware_ = false;  // the file system cannot tell: read it all
                    if (::lseek(fd_, position_, SEEK_SET) < 0) throw FileFailure("Cannot open file", path_, errno);
                } else if (data > position_) {
                    position_ = data;
                    return Hole;
                }
            }
            const ssize_t got = ::read(fd_, buffer_.get(), block_);
            if (got < 0) {
                if (errno == EINTR) continue;
                throw FileFailure("Cannot open file", path_, errno);  // a folder, or a read error
            }
            if (got == 0) {
                ended_ = true;
                return End;
            }
            position_ += got;
            p = buffer_.get();
            n = static_cast<std::size_t>(got);
            return Data;
        }
    }

private:
    int fd_;
    const std::string& path_;
    std::size_t block_;
    bool sparseAware_ = false;
    bool regular_ = false;
    bool ended_ = false;
    off_t size_ = 0;
    off_t position_ = 0;
    std::unique_ptr<unsigned char[]> buffer_;
};

std::size_t AsciiPrefix(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
    // Sixty-four bytes a step, their high bits gathered first: the compiler turns this
    // into a few vector instructions.
    while (n - i >= 64) {
        std::uint64_t any = 0;
        for (int k = 0; k < 8; ++k) {
            std::uint64_t w;
            std::memcpy(&w, p + i + 8 * k, 8);
            any |= w;
        }
        if (any & 0x8080808080808080ull) break;
        i += 64;
    }
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

// Whether the bytes from the first non-ASCII one to the end of a regular file are valid
// UTF-8: p, n is the rest of the block in hand, the file's offset stands after it and is
// put back afterwards.
bool RestIsUtf8(int fd, const std::string& path, const unsigned char* p, std::size_t n) {
    Utf8Check check;
    if (!check.Feed(p, n)) return false;
    const off_t saved = ::lseek(fd, 0, SEEK_CUR);
    if (saved < 0) return false;
    {
        BlockReader rest(fd, path, 1 << 18);
        static const unsigned char zero = 0;
        for (bool more = true; more && check.Valid();) {
            const unsigned char* q = nullptr;
            std::size_t m = 0;
            switch (rest.Next(q, m)) {
                case BlockReader::Data:
                    check.Feed(q, m);
                    break;
                case BlockReader::Hole:
                    check.Feed(&zero, 1);
                    break;
                case BlockReader::End:
                    more = false;
                    break;
            }
        }
    }
    if (::lseek(fd, saved, SEEK_SET) < 0) throw FileFailure("Cannot open file", path, errno);
    return check.Finish();
}

// Standard input cannot be read twice: it is judged on the mebibyte that follows its
// first non-ASCII byte.
constexpr std::size_t kStreamJudged = 1 << 20;

// Decoding runs in pieces that stay in the cache until the scanner has read them.
constexpr std::size_t kDecodePiece = 1 << 16;

}  // namespace

CodePointTable& AnalysisRun::Table() {
    if (!table_) table_ = std::make_unique<CodePointTable>();
    return *table_;
}

void AnalysisRun::CountOtherScripts(const TextDecoder& decoder) {
    if (!state_.ReadingCommon) state_.OtherScriptLetters += decoder.OtherScriptLetters();
}

namespace {

// Whether the rest of a regular file from offset is read by the 8-bit character table,
// decided as the block-wise reading decides it: a byte-order mark or valid UTF-8 after
// the ASCII part make it Unicode. Reads by pread, so the file offset stays.
bool ReadsAsBytes(int fd, off_t offset, EncodingChoice choice) {
    if (choice == EncodingChoice::Bytes) return true;
    if (choice == EncodingChoice::Utf8) return false;
    std::vector<unsigned char> block(1 << 18);
    bool first = true, ascii = true;
    Utf8Check check;
    for (off_t at = offset;;) {
        const ssize_t got = ::pread(fd, block.data(), block.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;  // let the one-thread reading report it
        if (got == 0) break;
        at += got;
        const unsigned char* p = block.data();
        std::size_t n = static_cast<std::size_t>(got);
        if (first) {
            first = false;
            TextEncoding marked = TextEncoding::Bytes;
            if (ByteOrderMark(std::string_view(reinterpret_cast<const char*>(p), n), marked) > 0) return false;
        }
        if (ascii) {
            const std::size_t a = AsciiPrefix(p, n);
            if (a == n) continue;
            ascii = false;
            p += a;
            n -= a;
        }
        if (!check.Feed(p, n)) return true;
    }
    return ascii || !check.Finish();
}

}  // namespace

bool AnalysisRun::ScanInChunks(int fd, const std::string& path, bool stripPossessives) {
    const unsigned threads = threads_ == 0 ? DefaultThreads() : threads_;
    // The common words list and a run already stopped keep to the one-thread reading.
    if (threads < 2 || state_.ReadingCommon || state_.StopRun) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const off_t offset = ::lseek(fd, 0, SEEK_CUR);
    // Below four chunks, threads gain less than they cost.
    const std::size_t chunkBytes = std::max<std::size_t>(chunkBytes_, 1);
    if (offset < 0 || offset >= info.st_size ||
        static_cast<std::uint64_t>(info.st_size - offset) < 4 * static_cast<std::uint64_t>(chunkBytes))
        return false;
    // A sparse file is read hole by hole by the one-thread reading.
    const off_t hole = ::lseek(fd, offset, SEEK_HOLE);
    if (::lseek(fd, offset, SEEK_SET) != offset) return false;  // the search moved it
    if (hole >= 0 && hole < info.st_size) return false;
    if (!ReadsAsBytes(fd, offset, encoding_)) return false;

    std::vector<std::int32_t> records;
    Scan(
        [&](Scanner&, auto& onWord) {
            auto merge = [&](const ChunkWords& chunk, const ChunkText& text) {
                const auto& words = chunk.Words();
                records.resize(words.size());
                std::int32_t fresh = 0;
                for (std::size_t i = 0; i < words.size(); ++i) {
                    records[i] = store_.FindPadded(words[i].padded, words[i].length, words[i].hash);
                    if (records[i] < 0) ++fresh;
                }
                // The chunk is merged whole only when it cannot fill the store and the
                // record file has room for its new words; otherwise it is read again word
                // by word, so the run stops (or fails) at exactly the word where one thread
                // does.
                bool whole = store_.WordCount() + fresh < WordStore::MaxWords;
                if (whole && fresh > 0) {
                    try {
                        store_.Reserve(store_.WordCount() + fresh);
                    } catch (const FileError&) {
                        whole = false;
                    }
                }
                if (!whole) {
                    Scanner again(charMap_);
                    again.Start();
                    return again.Feed(text.data, text.size, onWord) && again.Finish(onWord);
                }
                // New words take their record numbers in the order they were first met.
                for (std::size_t i = 0; i < words.size(); ++i) {
                    if (records[i] >= 0)
                        store_.CountTimes(records[i], words[i].count);
                    else
                        records[i] =
                            store_.AddNewTimes(words[i].padded, words[i].length, words[i].hash, words[i].count);
                }
                // records[w] is now the record of each word of chunk.Sequence(): figures kept
                // per occurrence are replayed from there, in document order.
                for (std::uint32_t w : chunk.Sequence()) chunks_.Note(records[w]);
                state_.TotalWords += static_cast<std::int32_t>(chunk.Total());
                // Progress goes by chunks here rather than by hundreds of words.
                if (hooks_.showProgress) hooks_.showProgress();
                return KeepGoing();
            };
            const ChunkPlan plan{threads, chunkBytes};
            return ScanFileInChunks(fd, path, offset, info.st_size - offset, charMap_,
                                    stripPossessives && !state_.ReadingCommon, plan, merge);
        },
        stripPossessives);
    return true;
}

void AnalysisRun::ScanDescriptor(int fd, const std::string& path, bool stripPossessives, RunInput* input) {
    if (ScanInChunks(fd, path, stripPossessives)) return;
    BlockReader reader(fd, path, kReadBlock);
    static const unsigned char zero = 0;
    enum class Mode { Undecided, Bytes, Unicode } mode = Mode::Bytes;
    std::optional<TextDecoder> decoder;
    auto startUnicode = [&](TextEncoding encoding) {
        decoder.emplace(encoding, Table());
        if (input) {
            input->encoding = encoding;
            input->asciiFirst = mode == Mode::Undecided;
        }
        mode = Mode::Unicode;
    };
    Scan(
        [&](Scanner& scanner, auto& onWord) {
            auto feedUnicode = [&](const unsigned char* p, std::size_t n) {
                for (std::size_t at = 0; at < n; at += kDecodePiece) {
                    const std::string_view codes = decoder->Decode(p + at, std::min(kDecodePiece, n - at));
                    if (!scanner.Feed(reinterpret_cast<const unsigned char*>(codes.data()), codes.size(), onWord))
                        return false;
                }
                return true;
            };
            std::string ahead;  // standard input read ahead to judge it
            auto process = [&](const unsigned char* p, std::size_t n) {
                if (mode == Mode::Undecided) {
                    // ASCII reads alike in every reading: decide at the first other byte.
                    const std::size_t a = AsciiPrefix(p, n);
                    if (!scanner.Feed(p, a, onWord)) return false;
                    if (a == n) return true;
                    p += a;
                    n -= a;
                    bool utf8 = false;
                    if (reader.Rereadable()) {
                        utf8 = RestIsUtf8(fd, path, p, n);
                    } else {
                        ahead.assign(reinterpret_cast<const char*>(p), n);
                        bool ended = false;
                        while (ahead.size() < kStreamJudged && !ended) {
                            const unsigned char* q = nullptr;
                            std::size_t m = 0;
                            const auto kind = reader.Next(q, m);
                            if (kind == BlockReader::Data)
                                ahead.append(reinterpret_cast<const char*>(q), m);
                            else if (kind == BlockReader::Hole)
                                ahead += '\0';
                            else
                                ended = true;
                        }
                        Utf8Check check;
                        const std::size_t judged = std::min(ahead.size(), kStreamJudged);
                        check.Feed(reinterpret_cast<const unsigned char*>(ahead.data()), judged);
                        utf8 = ended && judged == ahead.size() ? check.Finish() : check.Valid();
                        p = reinterpret_cast<const unsigned char*>(ahead.data());
                        n = ahead.size();
                    }
                    if (utf8)
                        startUnicode(TextEncoding::Utf8);
                    else
                        mode = Mode::Bytes;
                }
                if (mode == Mode::Unicode) return feedUnicode(p, n);
                return scanner.Feed(p, n, onWord);
            };

            auto hole = [&] {
                if (mode != Mode::Unicode) return scanner.Feed(&zero, 1, onWord);
                const std::string_view codes = decoder->Separator();
                return scanner.Feed(reinterpret_cast<const unsigned char*>(codes.data()), codes.size(), onWord);
            };

            // The first bytes may hold a byte-order mark; a pipe may hand them over in
            // pieces.
            const unsigned char* p = nullptr;
            std::size_t n = 0;
            BlockReader::Kind kind = reader.Next(p, n);
            BlockReader::Kind after = BlockReader::Data;  // what ended a short first read
            std::string head;
            if (kind == BlockReader::Data && n < 3) {
                head.assign(reinterpret_cast<const char*>(p), n);
                while (head.size() < 3 && (after = reader.Next(p, n)) == BlockReader::Data)
                    head.append(reinterpret_cast<const char*>(p), n);
                p = reinterpret_cast<const unsigned char*>(head.data());
                n = head.size();
            }
            std::size_t skip = 0;
            if (encoding_ != EncodingChoice::Bytes) {
                TextEncoding marked = TextEncoding::Bytes;
                if (kind == BlockReader::Data)
                    skip = ByteOrderMark(std::string_view(reinterpret_cast<const char*>(p), n), marked);
                if (encoding_ == EncodingChoice::Utf8) {
                    // Read as UTF-8 whatever it holds; only UTF-8's own mark is dropped.
                    if (marked != TextEncoding::Utf8) skip = 0;
                    startUnicode(TextEncoding::Utf8);
                    if (input) input->skip = static_cast<std::int64_t>(skip);
                } else if (skip > 0) {
                    startUnicode(marked);
                    if (input) input->skip = static_cast<std::int64_t>(skip);
                } else {
                    mode = Mode::Undecided;
                }
            }
            bool going = true;
            if (kind == BlockReader::Data)
                going = process(p + skip, n - skip);
            else if (kind == BlockReader::Hole)
                going = hole();
            bool ended = kind == BlockReader::End || after == BlockReader::End;
            if (going && after == BlockReader::Hole) going = hole();
            while (going && !ended) {
                kind = reader.Next(p, n);
                if (kind == BlockReader::End) break;
                going = kind == BlockReader::Hole ? hole() : process(p, n);
            }
            if (going && mode == Mode::Unicode) {
                const std::string_view codes = decoder->Finish();
                going = scanner.Feed(reinterpret_cast<const unsigned char*>(codes.data()), codes.size(), onWord);
            }
            return going;
        },
        stripPossessives);
    if (decoder) CountOtherScripts(*decoder);
}

void AnalysisRun::VornixText(std::string_view text, const std::string& name, bool stripPossessives) {
    RunInput* input = BeginInput(name, stripPossessives);
    if (input) input->text = text;
    const std::int32_t before = state_.TotalWords;
    Scan(
        [&](Scanner& scanner, auto& onWord) {
            return scanner.Feed(reinterpret_cast<const unsigned char*>(text.data()), text.size(), onWord);
        },
        stripPossessives);
    EndInput(input, before);
}

void AnalysisRun::ReadUnicodeText(std::u16string_view text, const std::string& name, bool stripPossessives) {
    ++state_.FilesRead;
    RunInput* input = BeginInput(name, stripPossessives);
    text = text.substr(0, text.find(u'\0'));
    const TextEncoding encoding =
        std::endian::native == std::endian::little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    TextDecoder decoder(encoding, Table());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size() * sizeof(char16_t);
    if (input) {
        input->text.assign(reinterpret_cast<const char*>(bytes), size);
        input->encoding = encoding;
    }
    const std::int32_t before = state_.TotalWords;
    Scan(
        [&](Scanner& scanner, auto& onWord) {
            for (std::size_t at = 0; at < size; at += kDecodePiece) {
                const std::string_view codes = decoder.Decode(bytes + at, std::min(kDecodePiece, size - at));
                if (!scanner.Feed(reinterpret_cast<const unsigned char*>(codes.data()), codes.size(), onWord))
                    return false;
            }
            const std::string_view codes = decoder.Finish();
            return scanner.Feed(reinterpret_cast<const unsigned char*>(codes.data()), codes.size(), onWord);
        },
        stripPossessives);
    EndInput(input, before);
    CountOtherScripts(decoder);
}

void AnalysisRun::ReadDocuments(const std::vector<std::string>& paths, bool stripPossessives) {
    const std::size_t n = paths.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (hooks_.showStatus)
            hooks_.showStatus("Reading " + paths[i] + " (" + std::to_string(i + 1) + " of " + std::to_string(n) + ")");
        ++state_.FilesRead;
        if (paths[i] == "-")
            VornixStream(STDIN_FILENO, "stdin", stripPossessives);
        else
            Vornix(paths[i], stripPossessives);
        if (state_.StopRun) break;
    }
}

void AnalysisRun::GeneralClosedown() {
    if (hooks_.showStatus) hooks_.showStatus("Calculating word-frequency table ...");
    store_.FinishScan();
    BuildOrders(store_, orders_);
}

RunStats AnalysisRun::Stats() const {
    RunStats s;
    const std::int32_t words = store_.WordCount();
    s.FileCount = state_.FilesRead;
    s.CommonWords = state_.CommonWords;
    s.CommonFound = state_.CommonWords - state_.CommonUnused;
    s.CommonUnused = state_.CommonUnused;
    s.TotalWords = state_.TotalWords;
    s.UniqueWords = words - state_.CommonUnused;
    s.UniqueNonCommon = words - state_.CommonWords;
    s.UniqueNumbers = state_.UniqueNumbers;
    s.OtherScriptLetters = state_.OtherScriptLetters;
    return s;
}

std::string AnalysisRun::ProgressText() const {
    return "Words " + std::to_string(state_.TotalWords) + " ... Unique " +
           std::to_string(store_.WordCount() - state_.CommonUnused);
}

}  // namespace vornix

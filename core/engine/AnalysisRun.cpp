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

#include "core/engine/DocumentReader.h"
#include "core/engine/EncodingRule.h"
#include "core/engine/Errors.h"
#include "core/engine/ParallelScan.h"
#include "core/engine/Scanner.h"
#include "core/engine/TextRules.h"

namespace vornix {

namespace {

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

std::int64_t ModifiedNs(const struct stat& info) {
    return std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

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

std::string LimitMessage(std::int32_t maxWords) {
    return "Reached unique-words limit " + std::to_string(maxWords) + ": cannot read more.";
}

AnalysisRun::AnalysisRun(std::string wordFilePath, bool anonymous)
    : store_(std::move(wordFilePath), state_, anonymous) {}

void AnalysisRun::GeneralInitialize(CharacterSet set, const std::string* commonListPath, EncodingChoice encoding) {
    charMap_ = BuildCharMap(set);
    encoding_ = encoding;
    allScripts_ = allScriptsNext_;
    store_.SetWide(allScripts_);
    if (allScripts_ && (!scripts_ || scriptsSet_ != set)) {
        scripts_ = std::make_unique<ScriptScanner>(set);
        scriptsSet_ = set;
    }
    state_ = RunState{};
    fileList_.clear();
    inputs_.clear();
    store_.ClearStore();
    if (observer_) observer_->BeginRun();
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

void AnalysisRun::FlushObserved(WordObserver* observer) {
    if (observedCount_ > 0) observer->Words(observed_, observedCount_);
    observedCount_ = 0;
}

bool AnalysisRun::TakeWord(std::string_view word, bool strip, WordObserver* observer) {
    if (strip) word = word.substr(0, StripPossessive(word.data(), word.size()));
    // A word the full store refused was not read into the results, so it is not
    // counted either.
    if (store_.AddWord(word)) {
        ++state_.TotalWords;
        // The list's words are noted too, harmlessly: the chunks start afresh after it.
        chunks_.Note(store_.LastRecord());
        // The observer takes the words some at a time (one call, not one a word); the
        // scan hands it the rest when the document ends, however it ends.
        if (observer) {
            observed_[observedCount_++] = store_.LastRecord();
            if (observedCount_ == std::size(observed_)) FlushObserved(observer);
        }
    }
    if (state_.TotalWords % 100 == 0 && hooks_.showProgress) hooks_.showProgress();
    return KeepGoing();
}

template <class Source>
void AnalysisRun::Scan(Source&& source, bool stripPossessives) {
    Scanner scanner(charMap_);
    scanner.Start();
    const bool strip = stripPossessives && !state_.ReadingCommon;
    // Every document is scanned exactly once, here.
    WordObserver* const observer = state_.ReadingCommon ? nullptr : observer_;
    if (observer) observer->BeginDocument();
    auto onWord = [&](std::string_view word) { return TakeWord(word, strip, observer); };
    try {
        if (source(scanner, onWord)) scanner.Finish(onWord);
    } catch (...) {
        if (observer) FlushObserved(observer);
        throw;
    }
    if (observer) FlushObserved(observer);
}

// The words of every script: the source feeds the document's bytes with their
// encoding (feed(p, n, encoding); p null for a hole).
template <class Source>
void AnalysisRun::ScanScripts(Source&& source, bool stripPossessives) {
    ScriptScanner& scanner = *scripts_;
    scanner.Start();
    const bool strip = stripPossessives && !state_.ReadingCommon;
    WordObserver* const observer = state_.ReadingCommon ? nullptr : observer_;
    if (observer) observer->BeginDocument();
    auto onWord = [&](std::string_view word) { return TakeWord(word, strip, observer); };
    auto feed = [&](const unsigned char* p, std::size_t n, TextEncoding encoding) {
        return scanner.Feed(p, n, encoding, onWord);
    };
    try {
        if (source(feed)) scanner.Finish(onWord);
    } catch (...) {
        if (observer) FlushObserved(observer);
        throw;
    }
    if (observer) FlushObserved(observer);
}

void AnalysisRun::Vornix(const std::string& path, bool stripPossessives) {
    auto slash = path.rfind('/');
    RunInput* input = BeginInput(slash == std::string::npos ? path : path.substr(slash + 1), stripPossessives);
    // The common words list is guarded as the settings file is: a FIFO or a device in
    // its place would hang or flood every count.
    const bool guarded = regularOnly_ || state_.ReadingCommon;
    // O_NONBLOCK: opening a named pipe would otherwise wait for a writer.
    FileCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | (guarded ? O_NONBLOCK | O_NOCTTY : 0))};
    if (file.fd < 0) {
        if (input) inputs_.pop_back();
        throw FileFailure("Cannot open file", path, errno);
    }
    if (guarded) {
        struct stat info {};
        if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            if (input) inputs_.pop_back();
            throw FileError("Cannot open file " + path + " (not a regular file)", EINVAL);
        }
        if (state_.ReadingCommon && info.st_size > kMaxCommonListBytes)
            throw FileFailure("Cannot open file", path, EFBIG);
        ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    }
    struct stat opened {};
    const bool known = ::fstat(file.fd, &opened) == 0;
    if (input) {
        input->path = path;
        if (known) {
            input->size = opened.st_size;
            input->mtimeNs = ModifiedNs(opened);
        }
    }
    const std::int32_t before = state_.TotalWords;
    ScanDescriptor(file.fd, path, stripPossessives, input);
    EndInput(input, before);
    // A file written to while it was read gives counts of no version of it: the run
    // fails, as an archiver's does, rather than showing them as right.
    struct stat after {};
    if (known && S_ISREG(opened.st_mode) && ::fstat(file.fd, &after) == 0 &&
        (after.st_size != opened.st_size || ModifiedNs(after) != ModifiedNs(opened)))
        throw FileError("The file " + path + " changed while it was read", EIO);
}

void AnalysisRun::VornixStream(int fd, const std::string& name, bool stripPossessives) {
    RunInput* input = BeginInput(name, stripPossessives);
    if (input) input->stream = true;
    const std::int32_t before = state_.TotalWords;
    ScanDescriptor(fd, name, stripPossessives, input);
    EndInput(input, before);
}

namespace {}  // namespace

CodePointTable& AnalysisRun::Table() {
    if (!table_) table_ = std::make_unique<CodePointTable>();
    return *table_;
}

void AnalysisRun::CountOtherScripts(const TextDecoder& decoder) {
    if (!state_.ReadingCommon) state_.OtherScriptLetters += decoder.OtherScriptLetters();
}

namespace {

// How the rest of a regular file from offset reads, decided as the block-wise reading
// decides it (a byte-order mark, else valid UTF-8 after the ASCII part make it Unicode);
// none when the file cannot be judged here (the one-thread reading reports the error).
// decodeFrom: where decoding starts, from after the mark. Reads by pread, so the file
// offset stays.
struct ChunkDecision {
    EncodingDecision decision;
    std::int64_t decodeFrom = 0;
};

std::optional<ChunkDecision> DecideForChunks(int fd, off_t offset, EncodingChoice choice) {
    unsigned char head[3];
    std::size_t got = 0;
    while (got < sizeof head) {
        const ssize_t r = ::pread(fd, head + got, sizeof head - got, offset + static_cast<off_t>(got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return std::nullopt;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    if (const EncodingStart start =
            EncodingFromStart(std::string_view(reinterpret_cast<const char*>(head), got), choice);
        start.decided)
        return ChunkDecision{start.decision, 0};
    // ASCII reads alike either way; UTF-8 from the first other byte when all the rest is.
    std::vector<unsigned char> block(1 << 18);
    std::optional<off_t> first;
    Utf8Check check;
    for (off_t at = offset;;) {
        const ssize_t r = ::pread(fd, block.data(), block.size(), at);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return std::nullopt;
        if (r == 0) break;
        const unsigned char* p = block.data();
        std::size_t n = static_cast<std::size_t>(r);
        if (!first) {
            const std::size_t a = AsciiPrefix(p, n);
            if (a < n) first = at + static_cast<off_t>(a);
            p += a;
            n -= a;
        }
        at += r;
        if (!check.Feed(p, n)) return ChunkDecision{};
    }
    if (!first || !check.Finish()) return ChunkDecision{};
    return ChunkDecision{EncodingDecision{TextEncoding::Utf8, 0, true}, *first - offset};
}

}  // namespace

bool AnalysisRun::ScanInChunks(int fd, const std::string& path, bool stripPossessives, RunInput* input) {
    const unsigned threads = threads_ == 0 ? DefaultThreads() : threads_;
    // The common words list and a run already stopped keep to the one-thread reading.
    if (threads < 2 || state_.ReadingCommon || state_.StopRun) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    // Pipes, terminals and sockets are read ahead into chunks as they come.
    const bool stream = S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode) || S_ISSOCK(info.st_mode);
    if (!stream && !S_ISREG(info.st_mode)) return false;
    const std::size_t chunkBytes = std::max<std::size_t>(chunkBytes_, 1);
    std::optional<ChunkDecision> decided;
    off_t start = 0;
    if (!stream) {
        const off_t offset = ::lseek(fd, 0, SEEK_CUR);
        // Below four chunks, threads gain less than they cost.
        if (offset < 0 || offset >= info.st_size ||
            static_cast<std::uint64_t>(info.st_size - offset) < 4 * static_cast<std::uint64_t>(chunkBytes))
            return false;
        // A sparse file is read hole by hole by the one-thread reading.
        const off_t hole = ::lseek(fd, offset, SEEK_HOLE);
        if (::lseek(fd, offset, SEEK_SET) != offset) return false;  // the search moved it
        if (hole >= 0 && hole < info.st_size) return false;
        decided = DecideForChunks(fd, offset, encoding_);
        if (!decided) return false;
        start = offset + static_cast<off_t>(decided->decision.skip);
    }
    std::int64_t others = 0;
    EncodingDecision streamDecision;

    std::vector<std::int32_t> records, observed;
    Scan(
        [&](Scanner&, auto& onWord) {
            auto merge = [&](const ChunkWords& chunk, const ChunkText& text) {
                return MergeChunk(chunk, text, others, records, observed, onWord);
            };
            const bool strip = stripPossessives && !state_.ReadingCommon;
            if (stream)
                return ScanStreamInChunks(fd, path, encoding_, charMap_, strip, ChunkPlan{threads, chunkBytes}, merge,
                                          streamDecision);
            const ChunkPlan plan{threads, chunkBytes, decided->decision.encoding, decided->decodeFrom};
            return ScanFileInChunks(fd, path, start, info.st_size - start, charMap_, strip, plan, merge);
        },
        stripPossessives);
    // The run's inputs keep the decision, so the context search reads the document
    // again the same way.
    const EncodingDecision& decision = stream ? streamDecision : decided->decision;
    if (input) {
        input->encoding = decision.encoding;
        input->skip = static_cast<std::int64_t>(decision.skip);
        input->asciiFirst = decision.asciiFirst;
    }
    state_.OtherScriptLetters += others;
    return true;
}

template <class OnWord>
bool AnalysisRun::MergeChunk(const ChunkWords& chunk, const ChunkText& text, std::int64_t& others,
                             std::vector<std::int32_t>& records, std::vector<std::int32_t>& observed, OnWord& onWord) {
    const auto& words = chunk.Words();
    records.resize(words.size());
    std::int32_t fresh = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        // A large store is out of the cache: its slots and records are fetched ahead.
        if (i + 16 < words.size()) store_.PrefetchSlot(words[i + 16].hash);
        if (i + 8 < words.size()) store_.PrefetchSlotRecord(words[i + 8].hash);
        records[i] = store_.FindPadded(words[i].padded, words[i].length, words[i].hash);
        if (records[i] < 0) ++fresh;
    }
    others += text.otherScriptLetters;
    // The chunk is merged whole only when it cannot fill the store and the record file
    // has room for its new words; otherwise it is read again word by word, so the run
    // stops (or fails) at exactly the word where one thread does.
    bool whole = store_.WordCount() + fresh < store_.MaxWords();
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
            records[i] = store_.AddNewTimes(words[i].padded, words[i].length, words[i].hash, words[i].count);
    }
    // records[w] is now the record of each word of chunk.Sequence(): figures kept per
    // occurrence are replayed from there, in document order.
    for (std::uint32_t w : chunk.Sequence()) chunks_.Note(records[w]);
    if (observer_) {
        // After the words of a chunk read again word by word, if any.
        FlushObserved(observer_);
        const auto& sequence = chunk.Sequence();
        observed.resize(sequence.size());
        for (std::size_t i = 0; i < sequence.size(); ++i) observed[i] = records[sequence[i]];
        observer_->Words(observed.data(), observed.size());
    }
    state_.TotalWords += static_cast<std::int32_t>(chunk.Total());
    // Progress goes by chunks here rather than by hundreds of words.
    if (hooks_.showProgress) hooks_.showProgress();
    return KeepGoing();
}

void AnalysisRun::ScanDescriptor(int fd, const std::string& path, bool stripPossessives, RunInput* input) {
    if (!allScripts_ && ScanInChunks(fd, path, stripPossessives, input)) return;
    DocumentReader reader(fd, path, encoding_, [this]() -> CodePointTable& { return Table(); });
    if (allScripts_) {
        // Words of every script are read on this thread, by the scanner that decodes
        // the document's characters itself.
        reader.HandBytesOn();
        ScanScripts(
            [&](auto& feed) {
                return reader.Read(
                    [&](const unsigned char* p, std::size_t n) { return feed(p, n, reader.Decision().encoding); });
            },
            stripPossessives);
    } else {
        Scan(
            [&](Scanner& scanner, auto& onWord) {
                return reader.Read([&](const unsigned char* p, std::size_t n) { return scanner.Feed(p, n, onWord); });
            },
            stripPossessives);
    }
    if (input) {
        input->encoding = reader.Decision().encoding;
        input->skip = static_cast<std::int64_t>(reader.Decision().skip);
        input->asciiFirst = reader.Decision().asciiFirst;
    }
    if (reader.Decoder()) CountOtherScripts(*reader.Decoder());
}

void AnalysisRun::VornixText(std::string_view text, const std::string& name, bool stripPossessives) {
    RunInput* input = BeginInput(name, stripPossessives);
    if (input) input->text = text;
    const std::int32_t before = state_.TotalWords;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    if (allScripts_)
        ScanScripts([&](auto& feed) { return feed(bytes, text.size(), TextEncoding::Bytes); }, stripPossessives);
    else
        Scan([&](Scanner& scanner, auto& onWord) { return scanner.Feed(bytes, text.size(), onWord); },
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
    if (allScripts_) {
        ScanScripts([&](auto& feed) { return feed(bytes, size, encoding); }, stripPossessives);
        EndInput(input, before);
        return;
    }
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

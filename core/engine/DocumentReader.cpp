#include "core/engine/DocumentReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/engine/Errors.h"
#include "core/engine/Utf8.h"

namespace vornix {

namespace {

// Documents are read in blocks rather than whole: the scanner keeps its state across
// blocks, so the words are the same, and a huge file never has to fit in memory.
constexpr std::size_t kReadBlock = 1 << 20;

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

}  // namespace

class DocumentReader::Blocks : public BlockReader {
public:
    using BlockReader::BlockReader;
};

DocumentReader::DocumentReader(int fd, const std::string& path, EncodingChoice choice, TableSource table)
    : fd_(fd),
      path_(path),
      choice_(choice),
      table_(std::move(table)),
      blocks_(std::make_unique<Blocks>(fd, path, kReadBlock)) {}

DocumentReader::~DocumentReader() = default;

void DocumentReader::StartUnicode(TextEncoding encoding) {
    if (!raw_) decoder_.emplace(encoding, table_());
    decision_.encoding = encoding;
    decision_.asciiFirst = mode_ == Mode::Undecided;
    mode_ = Mode::Unicode;
}

bool DocumentReader::FeedUnicode(const unsigned char* p, std::size_t n) {
    if (raw_) return (*feed_)(p, n);
    for (std::size_t at = 0; at < n; at += kDecodePiece) {
        const std::string_view codes = decoder_->Decode(p + at, std::min(kDecodePiece, n - at));
        if (!(*feed_)(reinterpret_cast<const unsigned char*>(codes.data()), codes.size())) return false;
    }
    return true;
}

bool DocumentReader::Hole() {
    static const unsigned char zero = 0;
    if (raw_) return (*feed_)(nullptr, 0);
    if (mode_ != Mode::Unicode) return (*feed_)(&zero, 1);
    const std::string_view codes = decoder_->Separator();
    return (*feed_)(reinterpret_cast<const unsigned char*>(codes.data()), codes.size());
}

// Step 4 of the rule at the first non-ASCII byte (p, n: the rest of the block in
// hand). A stream is read ahead to judge it, and p, n then hold what was read ahead.
bool DocumentReader::JudgeAt(const unsigned char*& p, std::size_t& n) {
    if (blocks_->Rereadable()) return RestIsUtf8(fd_, path_, p, n);
    ahead_.assign(reinterpret_cast<const char*>(p), n);
    bool ended = false;
    while (ahead_.size() < kStreamJudged && !ended) {
        const unsigned char* q = nullptr;
        std::size_t m = 0;
        const auto kind = blocks_->Next(q, m);
        if (kind == BlockReader::Data)
            ahead_.append(reinterpret_cast<const char*>(q), m);
        else if (kind == BlockReader::Hole)
            ahead_ += '\0';
        else
            ended = true;
    }
    Utf8Check check;
    const std::size_t judged = std::min(ahead_.size(), kStreamJudged);
    check.Feed(reinterpret_cast<const unsigned char*>(ahead_.data()), judged);
    p = reinterpret_cast<const unsigned char*>(ahead_.data());
    n = ahead_.size();
    return ended && judged == ahead_.size() ? check.Finish() : check.Valid();
}

bool DocumentReader::Process(const unsigned char* p, std::size_t n) {
    if (mode_ == Mode::Undecided) {
        // ASCII reads alike in every reading: decide at the first other byte.
        const std::size_t a = AsciiPrefix(p, n);
        if (!(*feed_)(p, a)) return false;
        if (a == n) return true;
        p += a;
        n -= a;
        if (JudgeAt(p, n))
            StartUnicode(TextEncoding::Utf8);
        else
            mode_ = Mode::Bytes;
    }
    if (mode_ == Mode::Unicode) return FeedUnicode(p, n);
    return (*feed_)(p, n);
}

bool DocumentReader::Read(const Feed& feed) {
    feed_ = &feed;
    // The first bytes may hold a byte-order mark; a pipe may hand them over in pieces.
    const unsigned char* p = nullptr;
    std::size_t n = 0;
    BlockReader::Kind kind = blocks_->Next(p, n);
    BlockReader::Kind after = BlockReader::Data;  // what ended a short first read
    std::string head;
    if (kind == BlockReader::Data && n < 3) {
        head.assign(reinterpret_cast<const char*>(p), n);
        while (head.size() < 3 && (after = blocks_->Next(p, n)) == BlockReader::Data)
            head.append(reinterpret_cast<const char*>(p), n);
        p = reinterpret_cast<const unsigned char*>(head.data());
        n = head.size();
    }
    const std::string_view start =
        kind == BlockReader::Data ? std::string_view(reinterpret_cast<const char*>(p), n) : std::string_view();
    const EncodingStart begun = EncodingFromStart(start, choice_);
    if (!begun.decided) {
        mode_ = Mode::Undecided;
    } else if (begun.decision.encoding != TextEncoding::Bytes) {
        StartUnicode(begun.decision.encoding);
        decision_.skip = begun.decision.skip;
    }
    const std::size_t skip = decision_.skip;
    bool going = true;
    if (kind == BlockReader::Data)
        going = Process(p + skip, n - skip);
    else if (kind == BlockReader::Hole)
        going = Hole();
    bool ended = kind == BlockReader::End || after == BlockReader::End;
    if (going && after == BlockReader::Hole) going = Hole();
    while (going && !ended) {
        kind = blocks_->Next(p, n);
        if (kind == BlockReader::End) break;
        going = kind == BlockReader::Hole ? Hole() : Process(p, n);
    }
    if (going && mode_ == Mode::Unicode && !raw_) {
        const std::string_view codes = decoder_->Finish();
        going = feed(reinterpret_cast<const unsigned char*>(codes.data()), codes.size());
    }
    feed_ = nullptr;
    return going;
}

}  // namespace vornix

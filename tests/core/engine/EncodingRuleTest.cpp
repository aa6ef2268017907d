// The one encoding rule, and the places that must follow it: the document reader on a
// regular file and on a pipe, and the common words list editor.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "core/commonlist/ListText.h"
#include "core/engine/DocumentReader.h"
#include "core/engine/EncodingRule.h"
#include "tests/TestSupport.h"

namespace vornix {
namespace {

using E = TextEncoding;
using C = EncodingChoice;

struct Case {
    const char* what;
    std::string text;
    C choice;
    EncodingDecision expected;
};

const Case kCases[] = {
    {"ASCII only stays 8-bit", "plain words", C::Auto, {E::Bytes, 0, false}},
    {"empty", "", C::Auto, {E::Bytes, 0, false}},
    {"valid UTF-8 after ASCII", "caf\xC3\xA9 au lait", C::Auto, {E::Utf8, 0, true}},
    {"an 8-bit byte", "caf\xE9", C::Auto, {E::Bytes, 0, false}},
    {"overlong form", "abc\xE0\x80\x80", C::Auto, {E::Bytes, 0, false}},
    {"surrogate", "ab\xED\xA0\x80", C::Auto, {E::Bytes, 0, false}},
    {"cut at the end", "abc\xC3", C::Auto, {E::Bytes, 0, false}},
    {"half a mark", "\xEF\xBB", C::Auto, {E::Bytes, 0, false}},
    {"UTF-8 mark",
     "\xEF\xBB\xBF"
     "abc",
     C::Auto,
     {E::Utf8, 3, false}},
    {"UTF-8 mark, invalid after",
     "\xEF\xBB\xBF"
     "ab\xE9",
     C::Auto,
     {E::Utf8, 3, false}},
    {"UTF-16LE mark",
     std::string("\xFF\xFE"
                 "a\0",
                 4),
     C::Auto,
     {E::Utf16LE, 2, false}},
    {"UTF-16BE mark", std::string("\xFE\xFF\0a", 4), C::Auto, {E::Utf16BE, 2, false}},
    {"choice UTF-8 ignores a UTF-16 mark",
     std::string("\xFF\xFE"
                 "a\0",
                 4),
     C::Utf8,
     {E::Utf8, 0, false}},
    {"choice UTF-8 drops its own mark",
     "\xEF\xBB\xBF"
     "abc",
     C::Utf8,
     {E::Utf8, 3, false}},
    {"choice UTF-8 on 8-bit bytes", "caf\xE9", C::Utf8, {E::Utf8, 0, false}},
    {"choice 8-bit keeps a mark as bytes",
     "\xEF\xBB\xBF"
     "abc",
     C::Bytes,
     {E::Bytes, 0, false}},
    {"choice 8-bit on UTF-8", "caf\xC3\xA9", C::Bytes, {E::Bytes, 0, false}},
};

struct Read {
    EncodingDecision decision;
    std::string fed;
};

Read ReadDescriptor(int fd, const std::string& name, C choice) {
    CodePointTable table;
    DocumentReader reader(fd, name, choice, [&]() -> CodePointTable& { return table; });
    Read r;
    EXPECT_TRUE(reader.Read([&](const unsigned char* p, std::size_t n) {
        r.fed.append(reinterpret_cast<const char*>(p), n);
        return true;
    }));
    r.decision = reader.Decision();
    EXPECT_EQ(reader.Decoder() != nullptr, r.decision.encoding != E::Bytes);
    return r;
}

Read ReadThroughPipe(const std::string& text, C choice) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    // The first bytes a byte at a time, so that the mark arrives in pieces too.
    std::thread writer([&] {
        std::size_t at = 0;
        for (; at < text.size() && at < 8; ++at) EXPECT_EQ(::write(fds[1], &text[at], 1), 1);
        while (at < text.size()) {
            const ssize_t put = ::write(fds[1], text.data() + at, text.size() - at);
            ASSERT_GT(put, 0);
            at += std::size_t(put);
        }
        ::close(fds[1]);
    });
    Read r = ReadDescriptor(fds[0], "stdin", choice);
    writer.join();
    ::close(fds[0]);
    return r;
}

TEST(EncodingRule, EveryReaderDecidesAlike) {
    test::TempDir dir;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecideEncoding(c.text, c.choice), c.expected);

        const std::string path = dir.write("doc.txt", c.text);
        const int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        const Read file = ReadDescriptor(fd, path, c.choice);
        ::close(fd);
        EXPECT_EQ(file.decision, c.expected);
        // Read as bytes, the scanner gets the text itself, less nothing.
        if (c.expected.encoding == E::Bytes) EXPECT_EQ(file.fed, c.text);

        const Read pipe = ReadThroughPipe(c.text, c.choice);
        EXPECT_EQ(pipe.decision, c.expected);
        EXPECT_EQ(pipe.fed, file.fed);

        if (c.choice != C::Utf8) {
            const ListEncoding list = ListFileEncoding(c.text, c.choice == C::Auto);
            EXPECT_EQ(list, (ListEncoding{c.expected.encoding, c.expected.skip > 0}));
        }
    }
}

// A regular file is judged on all of its rest; a stream, which cannot be read twice, on
// the mebibyte after its first non-ASCII byte.
TEST(EncodingRule, StreamIsJudgedOnItsFirstMebibyte) {
    std::string text = "a\xC3\xA9 ";
    text.append(1 << 20, 'x');
    text += " \xE9";
    EXPECT_EQ(DecideEncoding(text, C::Auto), (EncodingDecision{E::Bytes, 0, false}));
    EXPECT_EQ(ReadThroughPipe(text, C::Auto).decision, (EncodingDecision{E::Utf8, 0, true}));
}

}  // namespace
}  // namespace vornix

#pragma once
// Cuts a text into words of every script (the "Count words of every script" choice).
// A word is a maximal run of letters of any script with the combining marks that
// follow them, digits of any script and the underscore, cut by the same rules for
// apostrophes, commas and full stops as the 8-bit scanner's (don't, 1,000, 3.14).
// Text is read in NFC; Latin letters fold as the 8-bit reading folds them (CAFÉ to
// CAFE, ß to SS), every other letter keeps its accents and is upper-cased by the full
// Unicode mapping. Runs of Han, Hiragana, Katakana, Thai, Lao, Khmer and Myanmar
// letters, written without spaces, are cut into words by ICU's dictionary-based word
// breaking. A word keeps its first 40 characters (code points), never a part of one.
//
// The scanner reads the bytes of a document in its encoding (an 8-bit set's bytes as
// that set's characters), keeps its state between calls, and so gives the same words
// however the text is cut into pieces.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/CharTable.h"
#include "core/engine/TextDecoder.h"

namespace vornix {

class ScriptScanner {
public:
    // onWord(word, begin, end): the word (UTF-8, stored form), the offset of its first
    // kept character in the bytes fed since Start and just past its last one. False
    // stops the scan.
    class Sink {
    public:
        virtual ~Sink() = default;
        virtual bool Word(std::string_view word, std::uint64_t begin, std::uint64_t end) = 0;
    };

    // set: how the bytes of an 8-bit text read (TextEncoding::Bytes).
    explicit ScriptScanner(CharacterSet set);
    ~ScriptScanner();
    ScriptScanner(const ScriptScanner&) = delete;
    ScriptScanner& operator=(const ScriptScanner&) = delete;

    void Start();
    // Runs of plain ASCII are read without looking each character up (on unless turned
    // off); the words are the same either way, which the tests check.
    void SetAsciiRuns(bool on);
    // Bytes in the given encoding; p == nullptr with n == 0 is a stretch of the text not
    // read (a hole in a sparse file), which separates.
    bool FeedTo(const unsigned char* p, std::size_t n, TextEncoding encoding, Sink& sink);
    // The text has ended: what is held back is cut and handed on.
    bool FinishTo(Sink& sink);

    // Calls onWord(std::string_view word, begin, end) through a Sink.
    template <class OnWord>
    bool Feed(const unsigned char* p, std::size_t n, TextEncoding encoding, OnWord&& onWord) {
        Adapter<OnWord> sink{onWord};
        return FeedTo(p, n, encoding, sink);
    }
    template <class OnWord>
    bool Finish(OnWord&& onWord) {
        Adapter<OnWord> sink{onWord};
        return FinishTo(sink);
    }

private:
    template <class OnWord>
    struct Adapter final : Sink {
        explicit Adapter(OnWord& f) : f(f) {}
        bool Word(std::string_view word, std::uint64_t begin, std::uint64_t end) override {
            if constexpr (requires { f(word, begin, end); })
                return f(word, begin, end);
            else
                return f(word);
        }
        OnWord& f;
    };

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The words of a whole text held in memory, in order; for tests and small texts.
std::vector<std::string> ScriptWords(std::string_view bytes, TextEncoding encoding,
                                     CharacterSet set = CharacterSet::Windows);

}  // namespace vornix

#include "core/engine/ScriptScanner.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucharstrie.h>
#include <unicode/ucnv.h>
#include <unicode/udata.h>
#include <unicode/unistr.h>
#include <unicode/ures.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <array>
#include <cstring>
#include <unordered_map>

#include "core/engine/Cp1252.h"
#include "core/engine/RunScan.h"
#include "core/engine/Utf8.h"

namespace vornix {

namespace {

enum class Kind : std::uint8_t { Unknown, Separator, Letter, Mark, Digit, Apostrophe, Comma, FullStop, Underscore };

// What one code point is to the word rules, and what it is stored as.
struct Info {
    Kind kind = Kind::Unknown;
    bool dictionary = false;  // a script written without spaces
    bool quick = false;       // NFC whatever surrounds it (quick check yes, combining class 0)
    bool folded = false;      // a Latin letter folded to plain capitals: marks after it add nothing
    bool mappedQuick = true;  // the stored form is NFC as it stands
    std::uint8_t bytes = 0;   // of the stored form, UTF-8
    char mapped[10] = {};
};

constexpr std::size_t kMaxCharacters = 40;
// Code points kept of a word being read: far more than 40 characters' worth even with
// marks; the rest of an absurdly long word is read past.
constexpr std::size_t kRawLimit = 640;
// A run of a script written without spaces is cut into words at most this many UTF-16
// units at a time; the last word of each piece starts the next one.
constexpr std::int32_t kRunLimit = 1 << 14;

bool IsDictionaryScript(UChar32 c) {
    static constexpr UScriptCode kScripts[] = {USCRIPT_HAN, USCRIPT_HIRAGANA, USCRIPT_KATAKANA, USCRIPT_THAI,
                                               USCRIPT_LAO, USCRIPT_KHMER,    USCRIPT_MYANMAR};
    for (UScriptCode s : kScripts)
        if (uscript_hasScript(c, s)) return true;
    return false;
}

// The dictionary ICU's word breaking uses for Chinese and Japanese, to tell a character
// it knows as a word of its own from one it cuts off only because it knows no word
// with it. Read from ICU's own data (a string trie after a table of offsets).
class CjDictionary {
public:
    CjDictionary() {
        UErrorCode status = U_ZERO_ERROR;
        UResourceBundle* root = ures_open(U_ICUDATA_NAME U_TREE_SEPARATOR_STRING "brkitr", "", &status);
        UResourceBundle* dictionaries = ures_getByKey(root, "dictionaries", nullptr, &status);
        std::int32_t length = 0;
        const UChar* name = ures_getStringByKey(dictionaries, "Hani", &length, &status);
        std::string file;
        if (U_SUCCESS(status)) icu::UnicodeString(name, length).toUTF8String(file);
        ures_close(dictionaries);
        ures_close(root);
        const std::size_t dot = file.rfind('.');
        if (U_FAILURE(status) || dot == std::string::npos) return;
        data_ = udata_open(U_ICUDATA_NAME U_TREE_SEPARATOR_STRING "brkitr", file.substr(dot + 1).c_str(),
                           file.substr(0, dot).c_str(), &status);
        if (U_FAILURE(status)) {
            data_ = nullptr;
            return;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(udata_getMemory(data_));
        const auto* indexes = reinterpret_cast<const std::int32_t*>(bytes);
        constexpr std::int32_t kTrieOffset = 0, kTrieType = 4, kTypeMask = 7, kUChars = 1;
        if ((indexes[kTrieType] & kTypeMask) == kUChars)
            trie_ = reinterpret_cast<const char16_t*>(bytes + indexes[kTrieOffset]);
    }
    ~CjDictionary() {
        if (data_) udata_close(data_);
    }
    CjDictionary(const CjDictionary&) = delete;
    CjDictionary& operator=(const CjDictionary&) = delete;

    // Unknown when there is no dictionary: then nothing is joined.
    bool Knows(char32_t c) const {
        if (!trie_) return true;
        icu::UCharsTrie trie(trie_);
        return USTRINGTRIE_HAS_VALUE(trie.firstForCodePoint(static_cast<UChar32>(c)));
    }

private:
    UDataMemory* data_ = nullptr;
    const char16_t* trie_ = nullptr;
};

const CjDictionary& Dictionary() {
    static const CjDictionary dictionary;
    return dictionary;
}

bool IsCjScript(UChar32 c) {
    return uscript_hasScript(c, USCRIPT_HAN) || uscript_hasScript(c, USCRIPT_HIRAGANA) ||
           uscript_hasScript(c, USCRIPT_KATAKANA);
}

bool IsMarkType(std::int8_t t) {
    return t == U_NON_SPACING_MARK || t == U_ENCLOSING_MARK || t == U_COMBINING_SPACING_MARK;
}

bool IsLetterType(std::int8_t t) {
    return t == U_UPPERCASE_LETTER || t == U_LOWERCASE_LETTER || t == U_TITLECASE_LETTER || t == U_MODIFIER_LETTER ||
           t == U_OTHER_LETTER;
}

bool QuickNfc(UChar32 c) {
    return u_getIntPropertyValue(c, UCHAR_NFC_QUICK_CHECK) == UNORM_YES && u_getCombiningClass(c) == 0;
}

// Bytes as the shortcut for plain ASCII runs reads them: bytes that go into a word
// (letters, digits, underscore, apostrophe), bytes that end one, and the rest (comma,
// full stop) and every byte from 0x80 on, which take the per-character rules.
enum : std::uint8_t { kOtherByte, kWordByte, kSeparatorByte };

constexpr std::array<std::uint8_t, 256> kAsciiClass = [] {
    std::array<std::uint8_t, 256> t{};  // kOtherByte from 0x80 on
    for (int c = 0; c < 128; ++c) {
        const bool word =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '\'';
        t[c] = word ? kWordByte : (c == ',' || c == '.') ? kOtherByte : kSeparatorByte;
    }
    return t;
}();

// What Compute makes of a word byte.
constexpr Kind AsciiKind(unsigned char c) {
    if (c >= '0' && c <= '9') return Kind::Digit;
    if (c == '_') return Kind::Underscore;
    if (c == '\'') return Kind::Apostrophe;
    return Kind::Letter;
}

void AppendUnicode(std::string& out, const icu::UnicodeString& s) {
    std::string bytes;
    s.toUTF8String(bytes);
    out += bytes;
}

}  // namespace

struct ScriptScanner::Impl {
    explicit Impl(CharacterSet set);

    // Code points
    const Info& Lookup(char32_t c);
    Info Compute(char32_t c);
    bool FoldLatin(char32_t c, std::string& out);

    // Decoding
    bool FeedBytes(const unsigned char* p, std::size_t n, Sink& sink);
    bool FeedUtf8(const unsigned char* p, std::size_t n, Sink& sink);
    bool FeedUtf16(const unsigned char* p, std::size_t n, bool big, Sink& sink);
    bool FlushPending(Sink& sink);
    bool AsciiRun(const unsigned char* p, std::size_t n, std::size_t& i, Sink& sink);

    // Words
    bool Put(char32_t c, std::uint64_t begin, std::uint64_t end, Sink& sink);
    void Append(char32_t c, const Info& info, std::uint64_t begin, std::uint64_t end);
    bool Emit(Sink& sink);
    bool FlushRun(bool all, Sink& sink);
    void JoinUnknown(std::vector<std::int32_t>& cuts);
    bool EmitWord(const char32_t* cps, std::size_t n, bool quick, std::uint64_t begin, std::uint64_t end, Sink& sink);

    CodePointTable fold;  // the 8-bit reading's folding of Latin letters
    const icu::Normalizer2* nfc = nullptr;
    const icu::Normalizer2* nfkd = nullptr;
    std::unique_ptr<icu::BreakIterator> breaker;
    std::array<char32_t, 256> set{};  // an 8-bit text's characters
    std::vector<Info> bmp;
    std::unordered_map<char32_t, Info> astral;

    std::uint64_t fed = 0;
    unsigned char pending[4] = {};
    std::size_t pendingLength = 0;
    bool pendingUnit = false;  // the kept byte is half a UTF-16 unit
    char32_t highSurrogate = 0;
    std::uint64_t highAt = 0;

    // The word being read: its code points as read, whether they are all ASCII and all
    // NFC-inert, and where its kept characters lie.
    std::vector<char32_t> raw;
    std::size_t count = 0;  // code points read into it, the ones past kRawLimit too
    bool ascii = true;
    bool quick = true;
    bool kept = false;
    std::uint64_t keptBegin = 0, keptEnd = 0;
    Kind previous = Kind::Separator;

    // A run of a script written without spaces, with each UTF-16 unit's byte offset.
    icu::UnicodeString run;
    std::vector<std::uint64_t> runAt;
    std::uint64_t runEnd = 0;

    std::string word;
    std::vector<char32_t> scratch;
    bool asciiRuns = true;
};

ScriptScanner::Impl::Impl(CharacterSet charSet) : bmp(0x10000) {
    UErrorCode status = U_ZERO_ERROR;
    nfc = icu::Normalizer2::getNFCInstance(status);
    nfkd = icu::Normalizer2::getNFKDInstance(status);
    if (U_FAILURE(status)) nfc = nfkd = nullptr;
    status = U_ZERO_ERROR;
    breaker.reset(icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) breaker.reset();
    for (int b = 0; b < 256; ++b) set[b] = Cp1252CodePoint(static_cast<unsigned char>(b));
    if (charSet == CharacterSet::Dos) {
        status = U_ZERO_ERROR;
        UConverter* dos = ucnv_open("ibm-437", &status);
        for (int b = 0x80; dos && b < 256; ++b) {
            const char byte = static_cast<char>(b);
            UChar units[4];
            status = U_ZERO_ERROR;
            const std::int32_t got = ucnv_toUChars(dos, units, 4, &byte, 1, &status);
            if (U_SUCCESS(status) && got > 0) {
                UChar32 c = 0;
                std::int32_t at = 0;
                U16_NEXT(units, at, got, c);
                set[b] = static_cast<char32_t>(c);
            }
        }
        if (dos) ucnv_close(dos);
    }
    raw.reserve(kRawLimit);
}

bool ScriptScanner::Impl::FoldLatin(char32_t c, std::string& out) {
    // First as the 8-bit reading folds it (É, Æ, ł, the fi ligature...).
    const CodePointTable::Entry& e = fold.Lookup(c);
    bool letters = e.length > 0;
    for (std::size_t i = 0; i < e.length; ++i) letters = letters && e.codes[i] >= 'A' && e.codes[i] <= 'Z';
    if (letters) {
        out.assign(e.codes, e.length);
        return true;
    }
    // Else a letter the Windows set lacks or separates (Š, Ž) by its plain letters.
    if (!nfkd) return false;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString parts = nfkd->normalize(icu::UnicodeString(static_cast<UChar32>(c)), status);
    if (U_FAILURE(status)) return false;
    std::string plain;
    for (std::int32_t i = 0; i < parts.length(); i = parts.moveIndex32(i, 1)) {
        const UChar32 x = parts.char32At(i);
        if (IsMarkType(u_charType(x))) continue;
        if ((x >= 'a' && x <= 'z') || (x >= 'A' && x <= 'Z'))
            plain += static_cast<char>(x & ~0x20);
        else
            return false;
    }
    if (plain.empty()) return false;
    out = plain;
    return true;
}

Info ScriptScanner::Impl::Compute(char32_t c) {
    Info info;
    const UChar32 u = static_cast<UChar32>(c);
    info.quick = QuickNfc(u);
    std::string mapped;
    if (c < 0x80) {
        const char a = static_cast<char>(c);
        if (a >= 'a' && a <= 'z') {
            info.kind = Kind::Letter;
            info.folded = true;
            mapped = static_cast<char>(a - 'a' + 'A');
        } else if (a >= 'A' && a <= 'Z') {
            info.kind = Kind::Letter;
            info.folded = true;
            mapped = a;
        } else if (a >= '0' && a <= '9') {
            info.kind = Kind::Digit;
            mapped = a;
        } else if (a == '\'') {
            info.kind = Kind::Apostrophe;
            mapped = a;
        } else if (a == ',') {
            info.kind = Kind::Comma;
        } else if (a == '.') {
            info.kind = Kind::FullStop;
            mapped = a;
        } else if (a == '_') {
            info.kind = Kind::Underscore;
            mapped = a;
        } else {
            info.kind = Kind::Separator;
        }
    } else if (c == 0x2019) {  // the right single quotation mark, as the Windows set reads it
        info.kind = Kind::Apostrophe;
        mapped = "'";
    } else {
        const std::int8_t type = u_charType(u);
        UErrorCode status = U_ZERO_ERROR;
        const UScriptCode script = uscript_getScript(u, &status);
        if (IsLetterType(type) || IsMarkType(type)) {
            info.kind = IsMarkType(type) ? Kind::Mark : Kind::Letter;
            info.dictionary = IsDictionaryScript(u);
            if (info.kind == Kind::Letter && script == USCRIPT_LATIN && type != U_MODIFIER_LETTER &&
                FoldLatin(c, mapped)) {
                info.folded = true;
            } else {
                // The full upper-case mapping of the root locale (ß to SS, ΐ to three).
                icu::UnicodeString s(u);
                s.toUpper(icu::Locale::getRoot());
                mapped.clear();
                AppendUnicode(mapped, s);
                for (std::int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1))
                    info.mappedQuick = info.mappedQuick && QuickNfc(s.char32At(i));
            }
        } else if (type == U_DECIMAL_DIGIT_NUMBER) {
            info.kind = Kind::Digit;
            AppendUtf8(mapped, c);
        } else {
            info.kind = Kind::Separator;
        }
    }
    if (mapped.size() > sizeof info.mapped) {  // beyond any case mapping Unicode has
        info.kind = Kind::Separator;
        mapped.clear();
    }
    std::memcpy(info.mapped, mapped.data(), mapped.size());
    info.bytes = static_cast<std::uint8_t>(mapped.size());
    return info;
}

const Info& ScriptScanner::Impl::Lookup(char32_t c) {
    if (c < 0x10000) {
        Info& info = bmp[c];
        if (info.kind == Kind::Unknown) info = Compute(c);
        return info;
    }
    auto found = astral.find(c);
    if (found == astral.end()) found = astral.emplace(c, Compute(c)).first;
    return found->second;
}

void ScriptScanner::Impl::Append(char32_t c, const Info& info, std::uint64_t begin, std::uint64_t end) {
    if (raw.size() < kRawLimit) {
        raw.push_back(c);
        ascii = ascii && c < 0x80;
        quick = quick && info.quick;
    }
    ++count;
    if (info.kind != Kind::Apostrophe && info.kind != Kind::FullStop) {
        if (!kept) keptBegin = begin;
        kept = true;
        keptEnd = end;
    }
}

bool ScriptScanner::Impl::EmitWord(const char32_t* cps, std::size_t n, bool isQuick, std::uint64_t begin,
                                   std::uint64_t end, Sink& sink) {
    word.clear();
    if (!isQuick && nfc) {
        icu::UnicodeString s;
        for (std::size_t i = 0; i < n; ++i) s.append(static_cast<UChar32>(cps[i]));
        UErrorCode status = U_ZERO_ERROR;
        const icu::UnicodeString composed = nfc->normalize(s, status);
        if (U_SUCCESS(status)) {
            scratch.clear();
            for (std::int32_t i = 0; i < composed.length(); i = composed.moveIndex32(i, 1))
                scratch.push_back(static_cast<char32_t>(composed.char32At(i)));
            cps = scratch.data();
            n = scratch.size();
        }
    }
    std::size_t characters = 0;
    bool keepMarks = false, normalise = false;
    for (std::size_t i = 0; i < n && characters < kMaxCharacters; ++i) {
        const Info& info = Lookup(cps[i]);
        if (info.kind == Kind::Mark) {
            if (!keepMarks) continue;  // after a folded letter or a digit, as the 8-bit reading drops it
        } else {
            keepMarks = info.kind == Kind::Letter && !info.folded;
        }
        normalise = normalise || !info.mappedQuick;
        for (std::size_t b = 0; b < info.bytes && characters < kMaxCharacters;) {
            const unsigned char lead = static_cast<unsigned char>(info.mapped[b]);
            const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            word.append(info.mapped + b, length);
            b += length;
            ++characters;
        }
    }
    if (normalise && nfc) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::UnicodeString composed = nfc->normalize(icu::UnicodeString::fromUTF8(word), status);
        if (U_SUCCESS(status)) {
            word.clear();
            composed.toUTF8String(word);
        }
    }
    std::size_t b = 0, e = word.size();
    while (b < e && IsEdgeChar(static_cast<std::uint8_t>(word[b]))) ++b;
    while (e > b && IsEdgeChar(static_cast<std::uint8_t>(word[e - 1]))) --e;
    if (e == b) return true;
    return sink.Word(std::string_view(word.data() + b, e - b), begin, end);
}

bool ScriptScanner::Impl::Emit(Sink& sink) {
    if (count == 0) return true;
    bool going = true;
    if (ascii) {
        // The common case, without any table: plain capitals, digits and punctuation.
        word.clear();
        const std::size_t n = std::min(raw.size(), kMaxCharacters);
        for (std::size_t i = 0; i < n; ++i) {
            const char c = static_cast<char>(raw[i]);
            word += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        std::size_t b = 0, e = word.size();
        while (b < e && IsEdgeChar(static_cast<std::uint8_t>(word[b]))) ++b;
        while (e > b && IsEdgeChar(static_cast<std::uint8_t>(word[e - 1]))) --e;
        if (e > b) going = sink.Word(std::string_view(word.data() + b, e - b), keptBegin, keptEnd);
    } else {
        going = EmitWord(raw.data(), raw.size(), quick, keptBegin, keptEnd, sink);
    }
    raw.clear();
    count = 0;
    ascii = quick = true;
    kept = false;
    return going;
}

// A Chinese or Japanese character that the dictionary does not know is cut off on its
// own by the breaking; it is never a word merely for that: unknown characters in a row
// make one word, and one alone joins the word before it (or after it, at the start).
void ScriptScanner::Impl::JoinUnknown(std::vector<std::int32_t>& cuts) {
    const std::size_t n = cuts.size() - 1;
    std::vector<bool> unknown(n);
    bool any = false;
    for (std::size_t w = 0; w < n; ++w) {
        const UChar32 c = run.char32At(cuts[w]);
        unknown[w] = run.moveIndex32(cuts[w], 1) == cuts[w + 1] && IsCjScript(c) && !Dictionary().Knows(c);
        any = any || unknown[w];
    }
    if (!any) return;
    std::vector<std::int32_t> joined{0};
    for (std::size_t w = 0; w < n; ++w) {
        if (!unknown[w]) {
            joined.push_back(cuts[w + 1]);
            continue;
        }
        std::size_t last = w;
        while (last + 1 < n && unknown[last + 1]) ++last;
        if (last == w && joined.size() > 1)
            joined.back() = cuts[w + 1];  // alone: the word before takes it
        else if (last == w && w + 1 < n)
            ++last;  // alone at the start: it takes the word after
        joined.push_back(cuts[last + 1]);
        w = last;
    }
    cuts.swap(joined);
}

bool ScriptScanner::Impl::FlushRun(bool all, Sink& sink) {
    if (run.isEmpty()) return true;
    std::vector<std::int32_t> cuts{0};
    if (breaker) {
        breaker->setText(run);
        for (std::int32_t at = breaker->next(); at != icu::BreakIterator::DONE; at = breaker->next())
            cuts.push_back(at);
    }
    if (cuts.back() != run.length()) cuts.push_back(run.length());
    JoinUnknown(cuts);
    // Cut while the run goes on: the last word may still grow, so it starts the next piece.
    const std::size_t words = all || cuts.size() <= 2 ? cuts.size() - 1 : cuts.size() - 2;
    bool going = true;
    for (std::size_t w = 0; w < words && going; ++w) {
        std::vector<char32_t> cps;
        bool isQuick = true;
        for (std::int32_t i = cuts[w]; i < cuts[w + 1]; i = run.moveIndex32(i, 1)) {
            const char32_t c = static_cast<char32_t>(run.char32At(i));
            isQuick = isQuick && Lookup(c).quick;
            cps.push_back(c);
        }
        // Joining may leave a cut at the run's end twice: that is no word.
        if (cps.empty() || cuts[w] >= static_cast<std::int32_t>(runAt.size())) continue;
        const std::uint64_t end = cuts[w + 1] < static_cast<std::int32_t>(runAt.size()) ? runAt[cuts[w + 1]] : runEnd;
        going = EmitWord(cps.data(), cps.size(), isQuick, runAt[cuts[w]], end, sink);
    }
    const std::int32_t rest = static_cast<std::int32_t>(cuts[words]);
    if (rest >= run.length()) {
        run.remove();
        runAt.clear();
    } else {
        run.remove(0, rest);
        runAt.erase(runAt.begin(), runAt.begin() + rest);
    }
    return going;
}

bool ScriptScanner::Impl::Put(char32_t c, std::uint64_t begin, std::uint64_t end, Sink& sink) {
    const Info& info = Lookup(c);
    if (!run.isEmpty()) {
        if ((info.dictionary && info.kind == Kind::Letter) || info.kind == Kind::Mark) {
            runAt.push_back(begin);
            if (c >= 0x10000) runAt.push_back(begin);
            run.append(static_cast<UChar32>(c));
            runEnd = end;
            previous = info.kind;
            return run.length() < kRunLimit || FlushRun(false, sink);
        }
        if (!FlushRun(true, sink)) return false;
    }
    if (info.dictionary && info.kind == Kind::Letter) {
        if (count > 0 && !Emit(sink)) return false;
        runAt.push_back(begin);
        if (c >= 0x10000) runAt.push_back(begin);
        run.append(static_cast<UChar32>(c));
        runEnd = end;
        previous = info.kind;
        return true;
    }
    const Kind before = previous;
    previous = info.kind;
    switch (info.kind) {
        case Kind::Separator:
        case Kind::Unknown:
            return count == 0 || Emit(sink);
        case Kind::Comma:
            if (count == 0 || before == Kind::Digit) return true;  // 1,000 reads as 1000
            return Emit(sink);
        case Kind::FullStop:
            if (count == 0) return true;
            if (before == Kind::FullStop) return Emit(sink);
            Append(c, info, begin, end);
            return true;
        case Kind::Mark:
            if (count > 0) Append(c, info, begin, end);  // a mark alone adds nothing
            return true;
        default:
            Append(c, info, begin, end);
            return true;
    }
}

// From p[i], an ASCII byte of a word or a separator, with no run of a script written
// without spaces held: reads on while the bytes are such, leaving every part of the state
// as Put would, and stops before any other byte (i is then where it stopped). A word
// begun and ended here is handed on from the bytes themselves.
bool ScriptScanner::Impl::AsciiRun(const unsigned char* p, std::size_t n, std::size_t& i, Sink& sink) {
    while (i < n && p[i] < 0x80) {
        const std::uint8_t type = kAsciiClass[p[i]];
        if (type == kOtherByte) return true;
        if (type == kSeparatorByte) {
            previous = Kind::Separator;
            ++i;
            if (count > 0 && !Emit(sink)) return false;
            continue;
        }
        const std::size_t r = PlainRun(p + i, n - i);
        const std::size_t j = i + r;
        // Where the kept characters lie: apostrophes are trimmed from the ends.
        std::size_t first = i, last = j;
        while (first < j && p[first] == '\'') ++first;
        while (last > first && p[last - 1] == '\'') --last;
        if (count == 0 && j < n && kAsciiClass[p[j]] == kSeparatorByte) {
            // The whole word is here: its first 40 characters, in capitals, trimmed.
            char buffer[kMaxCharacters + 16];
            const std::size_t take = std::min(r, kMaxCharacters);
            CopyUpper(p + i, take, buffer);
            std::size_t b = 0, e = take;
            while (b < e && buffer[b] == '\'') ++b;
            while (e > b && buffer[e - 1] == '\'') --e;
            previous = Kind::Separator;
            i = j + 1;
            if (e > b && !sink.Word(std::string_view(buffer + b, e - b), fed + first, fed + last)) return false;
            continue;
        }
        // The word goes on past these bytes: they join it as Append would add them.
        const std::size_t room = kRawLimit - raw.size();
        raw.insert(raw.end(), p + i, p + i + std::min(r, room));
        count += r;
        if (first < last) {
            if (!kept) keptBegin = fed + first;
            kept = true;
            keptEnd = fed + last;
        }
        previous = AsciiKind(p[j - 1]);
        i = j;
    }
    return true;
}

bool ScriptScanner::Impl::FeedBytes(const unsigned char* p, std::size_t n, Sink& sink) {
    // Both 8-bit sets read ASCII as ASCII.
    for (std::size_t i = 0; i < n;) {
        if (asciiRuns && kAsciiClass[p[i]] != kOtherByte && run.isEmpty()) {
            if (!AsciiRun(p, n, i, sink)) return false;
            continue;
        }
        if (!Put(set[p[i]], fed + i, fed + i + 1, sink)) return false;
        ++i;
    }
    return true;
}

bool ScriptScanner::Impl::FeedUtf8(const unsigned char* p, std::size_t n, Sink& sink) {
    std::size_t i = 0;
    // A sequence cut by the last piece: finished with this piece's first bytes. The kept
    // bytes always end just before p[i].
    while (pendingLength > 0) {
        const int length = Utf8SequenceLength(pending, pendingLength);
        if (length < 0) {
            if (i == n) return true;  // still cut short: wait for the next piece
            pending[pendingLength++] = p[i++];
            continue;
        }
        const std::uint64_t at = fed + i - pendingLength;
        // Not UTF-8: the first byte reads as its Windows-1252 character, the rest again.
        const std::size_t used = length > 0 ? static_cast<std::size_t>(length) : 1;
        const char32_t c = length > 0 ? Utf8Decode(pending, length) : Cp1252CodePoint(pending[0]);
        if (!Put(c, at, at + used, sink)) return false;
        pendingLength -= used;
        std::memmove(pending, pending + used, pendingLength);
    }
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            if (asciiRuns && kAsciiClass[b] != kOtherByte && run.isEmpty()) {
                if (!AsciiRun(p, n, i, sink)) return false;
                continue;
            }
            if (!Put(b, fed + i, fed + i + 1, sink)) return false;
            ++i;
            continue;
        }
        const int length = Utf8SequenceLength(p + i, n - i);
        if (length < 0) {
            std::memcpy(pending, p + i, n - i);
            pendingLength = n - i;
            break;
        }
        if (length == 0) {
            if (!Put(Cp1252CodePoint(b), fed + i, fed + i + 1, sink)) return false;
            ++i;
            continue;
        }
        if (!Put(Utf8Decode(p + i, length), fed + i, fed + i + length, sink)) return false;
        i += length;
    }
    return true;
}

bool ScriptScanner::Impl::FeedUtf16(const unsigned char* p, std::size_t n, bool big, Sink& sink) {
    std::size_t i = 0;
    auto unit = [&](unsigned char a, unsigned char b, std::uint64_t at) {
        const char32_t u = big ? ((a << 8) | b) : (a | (b << 8));
        if (highSurrogate != 0) {
            const char32_t high = highSurrogate;
            highSurrogate = 0;
            if (u >= 0xDC00 && u <= 0xDFFF)
                return Put(0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00), highAt, at + 2, sink);
            if (!Put(0xFFFD, highAt, highAt + 2, sink)) return false;  // an unpaired surrogate separates
        }
        if (u >= 0xD800 && u <= 0xDBFF) {
            highSurrogate = u;
            highAt = at;
            return true;
        }
        return Put(u >= 0xDC00 && u <= 0xDFFF ? 0xFFFD : u, at, at + 2, sink);
    };
    if (pendingLength == 1 && n > 0) {
        pendingLength = 0;
        pendingUnit = false;
        if (!unit(pending[0], p[0], fed - 1)) return false;
        i = 1;
    }
    for (; i + 1 < n; i += 2)
        if (!unit(p[i], p[i + 1], fed + i)) return false;
    if (i < n) {
        pending[0] = p[i];
        pendingLength = 1;
        pendingUnit = true;
    }
    return true;
}

bool ScriptScanner::Impl::FlushPending(Sink& sink) {
    bool going = true;
    if (highSurrogate != 0) going = Put(0xFFFD, highAt, highAt + 2, sink);
    highSurrogate = 0;
    // A cut sequence at the end reads as its bytes' Windows-1252 characters (an odd
    // UTF-16 byte, as a separator).
    const std::uint64_t at = fed - pendingLength;
    if (pendingUnit) going = going && Put(0xFFFD, at, at + 1, sink);
    for (std::size_t k = 0; going && !pendingUnit && k < pendingLength; ++k)
        going = Put(Cp1252CodePoint(pending[k]), at + k, at + k + 1, sink);
    pendingLength = 0;
    pendingUnit = false;
    return going;
}

ScriptScanner::ScriptScanner(CharacterSet set) : impl_(std::make_unique<Impl>(set)) {}
ScriptScanner::~ScriptScanner() = default;

void ScriptScanner::Start() {
    Impl& s = *impl_;
    s.fed = 0;
    s.pendingLength = 0;
    s.pendingUnit = false;
    s.highSurrogate = 0;
    s.raw.clear();
    s.count = 0;
    s.ascii = s.quick = true;
    s.kept = false;
    s.previous = Kind::Separator;
    s.run.remove();
    s.runAt.clear();
}

void ScriptScanner::SetAsciiRuns(bool on) {
    impl_->asciiRuns = on;
}

bool ScriptScanner::FeedTo(const unsigned char* p, std::size_t n, TextEncoding encoding, Sink& sink) {
    Impl& s = *impl_;
    if (!p) {  // a stretch not read: it separates
        if (!s.FlushPending(sink)) return false;
        return s.Put(' ', s.fed, s.fed, sink);
    }
    bool going = true;
    switch (encoding) {
        case TextEncoding::Bytes:
            if (s.pendingLength > 0 || s.highSurrogate != 0) going = s.FlushPending(sink);
            going = going && s.FeedBytes(p, n, sink);
            break;
        case TextEncoding::Utf8:
            going = s.FeedUtf8(p, n, sink);
            break;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            going = s.FeedUtf16(p, n, encoding == TextEncoding::Utf16BE, sink);
            break;
    }
    s.fed += n;
    return going;
}

bool ScriptScanner::FinishTo(Sink& sink) {
    Impl& s = *impl_;
    if (!s.FlushPending(sink)) return false;
    if (!s.FlushRun(true, sink)) return false;
    return s.Emit(sink);
}

std::vector<std::string> ScriptWords(std::string_view bytes, TextEncoding encoding, CharacterSet set) {
    std::vector<std::string> words;
    ScriptScanner scanner(set);
    scanner.Start();
    auto take = [&](std::string_view w) {
        words.emplace_back(w);
        return true;
    };
    scanner.Feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), encoding, take);
    scanner.Finish(take);
    return words;
}

}  // namespace vornix

#include "core/engine/TextDecoder.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <cstring>
#include <unordered_map>

#include "core/engine/CharTable.h"
#include "core/engine/Cp1252.h"

namespace vornix {

namespace {

const CharMapTable& WindowsMap() {
    static const CharMapTable map = BuildCharMap(CharacterSet::Windows);
    return map;
}

// Latin letters that Unicode gives no decomposition to a plain letter.
struct PlainLetter {
    char32_t c;
    char letter;
};
constexpr PlainLetter kPlainLetters[] = {
    {0x0110, 'D'}, {0x0111, 'D'}, {0x0126, 'H'}, {0x0127, 'H'}, {0x0131, 'I'}, {0x013F, 'L'},
    {0x0140, 'L'}, {0x0141, 'L'}, {0x0142, 'L'}, {0x0166, 'T'}, {0x0167, 'T'}, {0x0180, 'B'},
    {0x0243, 'B'}, {0x0189, 'D'}, {0x0256, 'D'}, {0x0197, 'I'}, {0x0268, 'I'}, {0x019A, 'L'},
    {0x023D, 'L'}, {0x01B5, 'Z'}, {0x01B6, 'Z'}, {0x01E4, 'G'}, {0x01E5, 'G'}, {0x023A, 'A'},
    {0x2C65, 'A'}, {0x023B, 'C'}, {0x023C, 'C'}, {0x0246, 'E'}, {0x0247, 'E'}, {0x0248, 'J'},
    {0x0249, 'J'}, {0x024C, 'R'}, {0x024D, 'R'}, {0x024E, 'Y'}, {0x024F, 'Y'}, {0x0237, 'J'},
};

char PlainLetterOf(char32_t c) {
    for (const PlainLetter& p : kPlainLetters)
        if (p.c == c) return p.letter;
    return 0;
}

bool IsMark(std::int8_t type) {
    return type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_COMBINING_SPACING_MARK;
}

bool IsLetter(std::int8_t type) {
    return type == U_UPPERCASE_LETTER || type == U_LOWERCASE_LETTER || type == U_TITLECASE_LETTER ||
           type == U_MODIFIER_LETTER || type == U_OTHER_LETTER;
}

// The table code of a Windows-1252 byte, the ligature written out.
void AppendWindowsCode(int byte, std::string& out) {
    const std::uint8_t m = WindowsMap()[static_cast<std::uint8_t>(byte)];
    if (m == kLigature)
        out += "AE";
    else
        out += static_cast<char>(m);
}

}  // namespace

std::size_t ByteOrderMark(std::string_view s, TextEncoding& encoding) {
    if (s.size() >= 3 && s.substr(0, 3) == "\xEF\xBB\xBF") {
        encoding = TextEncoding::Utf8;
        return 3;
    }
    if (s.size() >= 2 && s.substr(0, 2) == "\xFF\xFE") {
        encoding = TextEncoding::Utf16LE;
        return 2;
    }
    if (s.size() >= 2 && s.substr(0, 2) == "\xFE\xFF") {
        encoding = TextEncoding::Utf16BE;
        return 2;
    }
    return 0;
}

struct CodePointTable::Impl {
    const icu::Normalizer2* nfc = nullptr;
    const icu::Normalizer2* nfkd = nullptr;
    std::vector<Entry> bmp;
    std::unordered_map<char32_t, Entry> astral;

    bool FoldLatin(char32_t c, std::string& out) const;
    int AppendOne(char32_t c, std::string& out) const;
};

namespace {
constexpr std::uint8_t kUnknown = 0xFF;
}

CodePointTable::CodePointTable() : impl_(std::make_unique<Impl>()) {
    UErrorCode status = U_ZERO_ERROR;
    impl_->nfc = icu::Normalizer2::getNFCInstance(status);
    impl_->nfkd = icu::Normalizer2::getNFKDInstance(status);
    if (U_FAILURE(status)) impl_->nfc = impl_->nfkd = nullptr;
    impl_->bmp.assign(0x10000, Entry{{}, kUnknown, 0, true});
}

CodePointTable::~CodePointTable() = default;

bool CodePointTable::Impl::FoldLatin(char32_t c, std::string& out) const {
    if (char letter = PlainLetterOf(c)) {
        out += letter;
        return true;
    }
    if (!nfkd) return false;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString parts = nfkd->normalize(icu::UnicodeString(static_cast<UChar32>(c)), status);
    if (U_FAILURE(status)) return false;
    std::string letters;
    for (std::int32_t i = 0; i < parts.length(); i = parts.moveIndex32(i, 1)) {
        const UChar32 x = parts.char32At(i);
        if (IsMark(u_charType(x))) continue;
        if ((x >= 'a' && x <= 'z') || (x >= 'A' && x <= 'Z')) {
            letters += static_cast<char>(x & ~0x20);
        } else if (char letter = PlainLetterOf(static_cast<char32_t>(x))) {
            letters += letter;
        } else if (int b = Cp1252Byte(static_cast<char32_t>(x)); b >= 0 && WindowsMap()[b] >= 'A') {
            AppendWindowsCode(b, letters);  // a letter the table folds, or the ligature
        } else {
            return false;
        }
    }
    if (letters.empty()) return false;
    out += letters;
    return true;
}

int CodePointTable::Impl::AppendOne(char32_t c, std::string& out) const {
    if (int b = Cp1252Byte(c); b >= 0) {
        AppendWindowsCode(b, out);
        return 0;
    }
    const std::int8_t type = u_charType(static_cast<UChar32>(c));
    if (IsMark(type)) return 0;  // a mark NFC could not join to its letter adds nothing
    if (!IsLetter(type)) {
        out += ' ';
        return 0;
    }
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &status);
    if (script == USCRIPT_LATIN) {
        // Modifier letters are superscripts and phonetic marks, not letters of a word.
        if (type != U_MODIFIER_LETTER && FoldLatin(c, out)) return 0;
        out += ' ';
        return 0;
    }
    out += ' ';
    return (script == USCRIPT_COMMON || script == USCRIPT_INHERITED || script == USCRIPT_UNKNOWN) ? 0 : 1;
}

CodePointTable::Entry CodePointTable::Compute(char32_t c) {
    Entry e{{}, 0, 0, true};
    std::string codes;
    int others = 0;
    if (impl_->nfc) {
        e.starter = impl_->nfc->hasBoundaryBefore(static_cast<UChar32>(c));
        UErrorCode status = U_ZERO_ERROR;
        const icu::UnicodeString s = impl_->nfc->normalize(icu::UnicodeString(static_cast<UChar32>(c)), status);
        for (std::int32_t i = 0; U_SUCCESS(status) && i < s.length(); i = s.moveIndex32(i, 1))
            others += impl_->AppendOne(static_cast<char32_t>(s.char32At(i)), codes);
    } else {
        others = impl_->AppendOne(c, codes);
    }
    if (codes.size() > sizeof e.codes) codes = " ";
    std::memcpy(e.codes, codes.data(), codes.size());
    e.length = static_cast<std::uint8_t>(codes.size());
    e.others = static_cast<std::uint8_t>(others);
    return e;
}

const CodePointTable::Entry& CodePointTable::Lookup(char32_t c) {
    if (c < 0x10000) {
        Entry& e = impl_->bmp[c];
        if (e.length == kUnknown) e = Compute(c);
        return e;
    }
    auto found = impl_->astral.find(c);
    if (found == impl_->astral.end()) found = impl_->astral.emplace(c, Compute(c)).first;
    return found->second;
}

int CodePointTable::MapSequence(const char32_t* cps, std::size_t n, std::string& out) {
    icu::UnicodeString s;
    for (std::size_t i = 0; i < n; ++i) s.append(static_cast<UChar32>(cps[i]));
    if (impl_->nfc) {
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeString composed = impl_->nfc->normalize(s, status);
        if (U_SUCCESS(status)) s = composed;
    }
    int others = 0;
    for (std::int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1)) {
        const char32_t c = static_cast<char32_t>(s.char32At(i));
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const Entry& e = Lookup(c);
        out.append(e.codes, e.length);
        others += e.others;
    }
    return others;
}

TextDecoder::TextDecoder(TextEncoding encoding, CodePointTable& table) : encoding_(encoding), table_(table) {}

void TextDecoder::Begin(std::size_t incoming) {
    if (handed_ > 0) {
        out_.erase(0, handed_);
        segStart_ = segStart_ >= handed_ ? segStart_ - handed_ : 0;
        handed_ = 0;
    }
    // Worst case: a byte becomes two codes (an invalid byte read as the ligature), a
    // character at most five; retracted segments add a little.
    const std::size_t need = out_.size() + 3 * incoming + 256;
    if (out_.capacity() < need) out_.reserve(need);
}

std::string_view TextDecoder::Ready(bool all) {
    handed_ = all ? out_.size() : segStart_;
    if (all) {
        segLength_ = 0;
        segOthers_ = 0;
    }
    return std::string_view(out_.data(), handed_);
}

void TextDecoder::Put(char32_t c) {
    if (c < 0x80) {
        segStart_ = out_.size();
        seg_[0] = c;
        segLength_ = 1;
        segOthers_ = 0;
        out_ += static_cast<char>(c);
        return;
    }
    const CodePointTable::Entry& e = table_.Lookup(c);
    if (e.starter || segLength_ == 0) {
        segStart_ = out_.size();
        seg_[0] = c;
        segLength_ = 1;
        segOthers_ = e.others;
        out_.append(e.codes, e.length);
        others_ += e.others;
        return;
    }
    if (segLength_ == sizeof seg_ / sizeof seg_[0]) {
        // Beyond any real text's marks: no more joining, so no run grows quadratic.
        out_.append(e.codes, e.length);
        others_ += e.others;
        segOthers_ += e.others;
        return;
    }
    seg_[segLength_++] = c;
    out_.resize(segStart_);
    others_ -= segOthers_;
    segOthers_ = table_.MapSequence(seg_, segLength_, out_);
    others_ += segOthers_;
}

void TextDecoder::PutUtf8(const unsigned char* p, std::size_t n, bool final, std::size_t& used) {
    std::size_t i = used;
    while (i < n) {
        if (p[i] < 0x80) {
            // ASCII reads the same in every table: copy it as it is.
            const std::size_t start = i;
            while (n - i >= 8) {
                std::uint64_t w;
                std::memcpy(&w, p + i, 8);
                if (w & 0x8080808080808080ull) break;
                i += 8;
            }
            while (i < n && p[i] < 0x80) ++i;
            out_.append(reinterpret_cast<const char*>(p + start), i - start);
            segStart_ = out_.size() - 1;
            seg_[0] = p[i - 1];
            segLength_ = 1;
            segOthers_ = 0;
            continue;
        }
        const unsigned char b = p[i];
        const Utf8Lead lead = Utf8LeadOf(b);
        const int need = lead.need;
        const unsigned char low = lead.low, high = lead.high;
        char32_t c = b & (0x7F >> (need + 1));
        bool valid = need > 0;
        int k = 1;
        for (; valid && k <= need; ++k) {
            if (i + k >= n) {
                if (!final) {
                    used = i;  // cut by the end of the piece: wait for the rest
                    return;
                }
                valid = false;
                break;
            }
            const unsigned char x = p[i + k];
            if (x < (k == 1 ? low : 0x80) || x > (k == 1 ? high : 0xBF)) {
                valid = false;
                break;
            }
            c = (c << 6) | (x & 0x3F);
        }
        if (valid) {
            Put(c);
            i += need + 1;
        } else {
            Put(Cp1252CodePoint(b));  // not UTF-8: the byte reads as its Windows-1252 character
            ++i;
        }
    }
    used = i;
}

void TextDecoder::PutUtf16(const unsigned char* p, std::size_t n) {
    auto unit = [&](unsigned char a, unsigned char b) {
        const char32_t u = encoding_ == TextEncoding::Utf16LE ? (a | (b << 8)) : ((a << 8) | b);
        if (highSurrogate_ != 0) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                Put(0x10000 + ((highSurrogate_ - 0xD800) << 10) + (u - 0xDC00));
                highSurrogate_ = 0;
                return;
            }
            highSurrogate_ = 0;
            Put(0xFFFD);  // an unpaired surrogate separates
        }
        if (u >= 0xD800 && u <= 0xDBFF)
            highSurrogate_ = u;
        else if (u >= 0xDC00 && u <= 0xDFFF)
            Put(0xFFFD);
        else
            Put(u);
    };
    std::size_t i = 0;
    if (pendingLength_ == 1 && n > 0) {
        unit(pending_[0], p[0]);
        pendingLength_ = 0;
        i = 1;
    }
    for (; i + 1 < n; i += 2) unit(p[i], p[i + 1]);
    if (i < n) {
        pending_[0] = p[i];
        pendingLength_ = 1;
    }
}

std::string_view TextDecoder::Decode(const unsigned char* p, std::size_t n) {
    Begin(n);
    if (encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE) {
        PutUtf16(p, n);
        return Ready(false);
    }
    std::size_t start = 0;
    if (pendingLength_ > 0) {
        // Finish the sequence cut by the last piece with this piece's first bytes.
        unsigned char joined[8];
        const std::size_t pl = pendingLength_;
        const std::size_t take = n < 3 ? n : 3;
        std::memcpy(joined, pending_, pl);
        std::memcpy(joined + pl, p, take);
        std::size_t used = 0;
        pendingLength_ = 0;
        // A sequence starting in the kept bytes needs at most three more, so it can only
        // stay cut short when this piece is that short too.
        PutUtf8(joined, pl + take, false, used);
        if (used < pl) {
            pendingLength_ = pl + take - used;
            std::memcpy(pending_, joined + used, pendingLength_);
            return Ready(false);
        }
        start = used - pl;
    }
    std::size_t used = start;
    PutUtf8(p, n, false, used);
    pendingLength_ = n - used;
    std::memcpy(pending_, p + used, pendingLength_);
    return Ready(false);
}

void TextDecoder::FlushPending() {
    if (encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE) {
        if (highSurrogate_ != 0) Put(0xFFFD);
        if (pendingLength_ > 0) Put(0xFFFD);  // an odd last byte
        highSurrogate_ = 0;
    } else if (pendingLength_ > 0) {
        std::size_t used = 0;
        PutUtf8(pending_, pendingLength_, true, used);
    }
    pendingLength_ = 0;
}

std::string_view TextDecoder::Separator() {
    Begin(0);
    FlushPending();
    out_ += ' ';
    return Ready(true);
}

std::string_view TextDecoder::Finish() {
    Begin(0);
    FlushPending();
    return Ready(true);
}

std::string DecodeToCodes(std::string_view bytes, TextEncoding encoding, CodePointTable& table,
                          std::int64_t* otherScriptLetters) {
    TextDecoder decoder(encoding, table);
    std::string out(decoder.Decode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
    out += decoder.Finish();
    if (otherScriptLetters) *otherScriptLetters = decoder.OtherScriptLetters();
    return out;
}

}  // namespace vornix

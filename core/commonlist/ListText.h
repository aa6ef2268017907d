#pragma once
// The text work on a common words list: the editor's case form, the conversion between
// the list file's bytes and the editor's text, the sorted and grouped layout, adding a
// word at the top, and replacing the file. The window only moves text in and out.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/TextDecoder.h"

namespace vornix {

// How a list file is written, so that the editor can save it back the same way: the
// encoding and whether the file began with a byte-order mark.
struct ListEncoding {
    TextEncoding encoding = TextEncoding::Bytes;
    bool mark = false;
    bool operator==(const ListEncoding&) const = default;
};

// Decides a list file's encoding as a document's: a byte-order mark, else valid UTF-8
// holding a multi-byte sequence, else the Windows 8-bit set. With detectUnicode off,
// always the 8-bit set.
ListEncoding ListFileEncoding(std::string_view bytes, bool detectUnicode = true);

// The editor's text of a list file in the given encoding: the mark dropped, a byte that
// is not valid UTF-8 read as its Windows-1252 character, line breaks as "\n".
std::u16string EditorTextFromListFile(std::string_view bytes, const ListEncoding& encoding);

// The list file's bytes for the editor's text, in the given encoding (with its mark
// when it had one); line breaks written as CR LF. The 8-bit encoding is the one below.
std::string ListFileFromEditorText(std::u16string_view text, const ListEncoding& encoding);

// True when every character of the editor's text can be written in the encoding: the
// 8-bit set lacks most of Unicode, which it would write as "?".
bool ListEncodingHolds(std::u16string_view text, const ListEncoding& encoding);

// The case form of the editor: lower case when lowerCase is set, else upper case. Only
// A to Z and a to z change.
void ApplyCaseForm(std::u16string& text, bool lowerCase);
void ApplyCaseForm(std::string& text, bool lowerCase);

// A list file's bytes as the editor shows them: the Windows 8-bit set read into
// Unicode, and every line break (CR LF, a lone LF or a lone CR) as one "\n".
std::u16string EditorTextFromListFile(std::string_view bytes);

// The editor's text as the list file's bytes: each line break ("\n", or the line and
// paragraph separators a text field may hold) written as CR LF, nothing added at the
// end, every other character in the Windows 8-bit set ("?" when it has no form there).
std::string ListFileFromEditorText(std::u16string_view text);

// The words of a list text, in the order found: maximal runs of apostrophe, 0-9, A-Z
// and a-z. Everything else separates words and is dropped.
std::vector<std::string> ListWords(std::u16string_view text);

// The form in which a run matches a list word against the text (UTF-8 in): its word
// characters as the decoder and the character table read them, capitals A to Z, digits,
// apostrophes; whatever the run reads as a separator is left out. Empty when the run
// reads no part of the word (letters of other scripts).
std::string MatchedListForm(std::string_view word);

// Compares two words the way the user's language orders them: < 0, 0 or > 0. It may
// call different words equal; the sort then orders those byte by byte. Words are ASCII,
// or UTF-8 for a Unicode list.
using ListCollation = std::function<int(std::string_view, std::string_view)>;

// Sorted words as the editor's sorted layout: each word followed by one blank, the
// words of one initial letter on one line, a blank line (CR LF CR LF) before each new
// initial letter. Words starting with a digit or an apostrophe join the group they
// sort into. No line break at the end; no words give an empty text.
std::string GroupedListText(const std::vector<std::string>& sortedWords);

// The whole Sort: the text in its case form, cut into words (duplicates kept), ordered
// by collate with ties broken byte by byte, and laid out by GroupedListText.
std::string SortedListText(std::u16string_view text, bool lowerCase, const ListCollation& collate);

// Sort as the editor does it, for a list in the given encoding, giving the editor's new
// text ("\n" line breaks). An 8-bit list is sorted by SortedListText. A Unicode list
// keeps in its words every letter or combining mark above U+007F, and what a run reads
// as part of a word (the typographic apostrophe). Its words are ordered as a run
// matches them: by collate on MatchedListForm (CAFÉ among the C words, ŁÓDŹ among the
// L words), ties by that form's bytes, then by code points. Words without such a form
// (other scripts) come last, by collate on the word itself, then by code points.
// Groups follow the first letter of the matched form, for those last words the first
// letter in capitals without its accents; digits and apostrophes join a group as in
// the 8-bit layout.
std::u16string SortedEditorText(std::u16string_view text, const ListEncoding& encoding, bool lowerCase,
                                const ListCollation& collate);

// The list file after adding word (UTF-8, as a run stores it): the word and CR LF in
// front of the old contents, whose line breaks are written as CR LF. The word is
// written in the list's own encoding: a Unicode list stays in its encoding, the word
// after its mark; an 8-bit list takes it in the Windows 8-bit set. Nothing when the
// 8-bit set cannot hold the word, unless asUtf8: the whole list is then written as
// UTF-8 with a mark, as the editor saves such a list.
std::optional<std::string> ListWithWordAdded(std::string_view listBytes, std::string_view word,
                                             bool detectUnicode = true, bool asUtf8 = false);

// Replaces a list file with bytes, atomically: on failure the old file is untouched.
// A file that is there but may not be written (read-only) is refused as well, rather
// than replaced behind its owner's back. Throws FileError("Cannot create file PATH ...").
void ReplaceListFile(const std::string& path, std::string_view bytes);

}  // namespace vornix

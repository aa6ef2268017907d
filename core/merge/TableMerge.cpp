#include "core/merge/TableMerge.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "core/engine/Errors.h"
#include "core/engine/Scanner.h"
#include "core/engine/ScriptScanner.h"
#include "core/files/AtomicFile.h"
#include "core/table/TableReader.h"

namespace vornix {

TableMerge::TableMerge(AnalysisRun& run, bool stripPossessives) : run_(run), strip_(stripPossessives) {}

void TableMerge::AddTable(const std::string& path, EncodingChoice encoding) {
    if (path == "-")
        AddTableText(ReadWholeFile("/dev/stdin"), "stdin", encoding);
    else
        AddTableText(ReadWholeFile(path), path, encoding);
}

void TableMerge::AddTableText(std::string_view bytes, const std::string& name, EncodingChoice encoding) {
    // Every row is read first: whether the words are UTF-8 is known only at the end.
    struct Row {
        std::size_t end;  // where the word ends in `words`
        std::int64_t count;
        std::size_t line;
    };
    std::string words;
    std::vector<Row> rows;
    const TableReadResult read = ReadWordTableText(
        bytes, name, encoding, TableLineSink([&](std::string_view word, std::int64_t count, std::size_t line) {
            words.append(word);
            rows.push_back({words.size(), count, line});
        }));
    ++tables_;

    WordStore& store = run_.Store();
    RunState& state = run_.State();
    Scanner scanner(run_.CharMap());
    std::unique_ptr<CodePointTable> table;
    std::string codes;
    std::string stored;
    int found = 0;
    auto onWord = [&](std::string_view w) {
        if (++found == 1) stored.assign(w);
        return true;
    };
    // Words of every script: a word of a script written without spaces may be cut into
    // dictionary words once it stands alone; pieces that follow each other with nothing
    // between them are the one word the count stored.
    std::unique_ptr<ScriptScanner> scripts;
    if (run_.AllScripts()) scripts = std::make_unique<ScriptScanner>(run_.ScriptsSet());
    std::uint64_t pieceEnd = 0;
    auto onPiece = [&](std::string_view w, std::uint64_t from, std::uint64_t to) {
        if (found == 0) {
            found = 1;
            stored.assign(w);
        } else if (found == 1 && from == pieceEnd) {
            stored.append(w);
        } else {
            ++found;
        }
        pieceEnd = to;
        return true;
    };
    std::size_t begin = 0;
    for (const Row& row : rows) {
        std::string_view word(words.data() + begin, row.end - begin);
        begin = row.end;
        found = 0;
        if (scripts) {
            scripts->Start();
            scripts->Feed(reinterpret_cast<const unsigned char*>(word.data()), word.size(),
                          read.utf8 ? TextEncoding::Utf8 : TextEncoding::Bytes, onPiece);
            scripts->Finish(onPiece);
            // Joined pieces longer than a word keeps were never one stored word.
            if (found == 1 && WordCharacters(stored) > static_cast<std::size_t>(WordStore::MaxWordLength)) found = 2;
        } else {
            // A UTF-8 word is cut as a UTF-8 document's would be (Ä as A, Æ as AE).
            if (read.utf8 && std::any_of(word.begin(), word.end(), [](char c) { return (c & 0x80) != 0; })) {
                if (!table) table = std::make_unique<CodePointTable>();
                codes = DecodeToCodes(word, TextEncoding::Utf8, *table);
                word = codes;
            }
            scanner.Start();
            scanner.Feed(reinterpret_cast<const unsigned char*>(word.data()), word.size(), onWord);
            scanner.Finish(onWord);
        }
        // "fish-cake" or "," is not a word a count stored; the table is not one Vornix wrote.
        if (found != 1) throw NotAWordAndCount(row.line, name);
        if (strip_) stored.resize(StripPossessive(stored.data(), stored.size()));
        if (row.count == 0 || stored.empty()) continue;  // a listed word the documents lacked
        if (row.count > std::numeric_limits<std::int32_t>::max() - state.TotalWords)
            throw FileError("Merging " + name + " passes " + std::to_string(std::numeric_limits<std::int32_t>::max()) +
                            " words, more than one run counts");
        // One run over the documents would have stopped at the limit, at a word and with
        // counts no table records.
        if (!store.AddWord(stored) || store.WordCount() >= store.MaxWords())
            throw FileError("Merging " + name + " reached the unique-words limit " + std::to_string(store.MaxWords()) +
                            ": the sum would not be exact");
        if (row.count > 1) store.CountTimes(store.LastRecord(), static_cast<std::int32_t>(row.count - 1));
        state.TotalWords += static_cast<std::int32_t>(row.count);
    }
}

}  // namespace vornix

#pragma once
// Sums word-frequency tables that Vornix wrote (every format and layout it writes) into
// a run, so that the run's table, orders and the statistics that sums allow are those
// of one run over all the documents the tables were counted from.
//
// Why that holds: every order breaks ties alphabetically by the stored word, never by
// record number, so the order in which words arrive does not matter; each row's word is
// cut again by the count's own rules, which turns a lower-case or UTF-8 display form
// back into the stored one and sets the number flag as reading it would; the common
// flags come from the run's own list. What a table cannot give back: its words under
// its threshold or hidden (numbers, common words), the documents' names and the
// standardised type/token ratio (which needs the word sequence). A merge that reaches
// the unique-words limit is refused, since one run would have stopped at a word no
// table records.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/engine/AnalysisRun.h"
#include "core/engine/TextDecoder.h"

namespace vornix {

class TableMerge {
public:
    // run: after GeneralInitialize (which read the common words list, if any) and
    // before GeneralClosedown. stripPossessives: the words lose "'S" as a count with
    // --possessives=strip would take them.
    TableMerge(AnalysisRun& run, bool stripPossessives);

    // Adds the table at path ("-" reads standard input, named "stdin"). Throws
    // FileError when it cannot be read, "Line N of PATH is not a word and a count" for a
    // row without a word and a whole count or whose word is not one word by the count's
    // rules, and when the sums pass what a run holds (the unique-words limit, 2^31 - 1
    // words); the run's counts are then not to be used.
    void AddTable(const std::string& path, EncodingChoice encoding);
    void AddTableText(std::string_view bytes, const std::string& name, EncodingChoice encoding);

    // Tables added so far.
    int Tables() const { return tables_; }

private:
    AnalysisRun& run_;
    bool strip_;
    int tables_ = 0;
};

}  // namespace vornix

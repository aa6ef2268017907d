// The option parser on its own: the ways getopt_long accepts a value and a file, and
// the help text against the parser's own table of options.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "cli/CountOptions.h"

namespace vornix {
namespace {

// The fields the cases below set, in one line, so that one comparison shows them all.
std::string Described(const CountOptions& o) {
    std::string files;
    for (const std::string& f : o.Files) files += "[" + f + "]";
    return "files=" + files + " format=" + std::to_string(static_cast<int>(o.Format)) +
           " stats=" + std::to_string(o.Stats) + " context=" + o.Context.value_or("-") +
           " width=" + std::to_string(o.Width) + " relfreq=" + std::to_string(o.display.ShowRelFreq) +
           " threshold=" + std::to_string(o.display.ActiveThreshold) + " threads=" + std::to_string(o.Threads) +
           " refs=" + std::to_string(o.References.size()) + "/" + std::to_string(o.ReferenceTables.size()) +
           " p=" + std::to_string(o.Keyword.cutoff) + " help=" + std::to_string(o.Help) +
           " version=" + std::to_string(o.Version);
}

// The defaults' description with some fields changed: changes is "key=value key=value".
std::string Changed(std::string described, const std::string& changes) {
    std::size_t start = 0;
    while (start < changes.size()) {
        std::size_t end = changes.find(' ', start);
        if (end == std::string::npos) end = changes.size();
        const std::string change = changes.substr(start, end - start);
        const std::string key = change.substr(0, change.find('=') + 1);
        const std::size_t at = described.rfind(key, 0) == 0 ? 0 : described.find(" " + key);
        if (at == std::string::npos) return "(no field " + key + ")";
        const std::size_t from = described.find('=', at) + 1;
        const std::size_t to = std::min(described.find(' ', from), described.size());
        described.replace(from, to - from, change.substr(key.size()));
        start = end + 1;
    }
    return described;
}

TEST(CountOptions, ValuesAndFilesAsGetoptLongTakesThem) {
    const std::string plain = Described(ParseCountOptions({"a"}).options);
    ASSERT_EQ(plain,
              "files=[a] format=0 stats=0 context=- width=40 relfreq=0 threshold=1 threads=0 refs=0/0 p=0.050000 "
              "help=0 version=0");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--format", "csv", "a"}, "format=1"},
        {{"--format=csv", "a"}, "format=1"},
        {{"a", "--format", "json"}, "format=3"},
        // Abbreviations that name one option; "--p" is a whole name, not a prefix.
        {{"--form=tsv", "--per-m", "a"}, "format=2 relfreq=1"},
        {{"--p", "0.01", "a"}, "p=0.010000"},
        // Files keep their order wherever the options stand; "-" is a file.
        {{"b", "--stats", "-", "a"}, "files=[b][-][a] stats=1"},
        // "--" ends the options: what follows is a file even when it looks like an option.
        {{"--", "--stats", "-x"}, "files=[--stats][-x]"},
        {{"--context", "cat", "--width", "0", "a"}, "context=cat width=0"},
        // A value that starts with a hyphen is still the value of the option before it.
        {{"--context", "-dash", "a"}, "context=-dash"},
        {{"--threshold=$10", "--threads", "3", "a"}, "threshold=16 threads=3"},
        {{"--reference", "r", "--reference-table=t", "--reference=s", "--keywords", "a"}, "refs=2/1"},
        // Help and version need no file.
        {{"-h"}, "files= help=1"},
        {{"--version"}, "files= version=1"},
    };
    // Twice over: each call starts the parser afresh, whatever the last one left.
    for (int round = 0; round < 2; ++round)
        for (const auto& [args, expected] : cases) {
            std::string shown;
            for (const std::string& a : args) shown += a + " ";
            SCOPED_TRACE(shown);
            const ParseResult r = ParseCountOptions(args);
            EXPECT_EQ(r.error, "");
            EXPECT_EQ(Described(r.options), Changed(plain, expected));
        }
    // An error midway leaves no state behind for the next call either.
    EXPECT_EQ(ParseCountOptions({"--format"}).error, "--format needs a value");
    EXPECT_EQ(Described(ParseCountOptions({"a"}).options), plain);
}

TEST(CountOptions, TheHelpNamesEveryOptionTheParserKnows) {
    const std::string usage = CountUsage();
    const std::vector<std::string> names = CountOptionNames();
    EXPECT_GE(names.size(), 30u);
    for (const std::string& name : names) {
        // Named at the start of a help line, as itself and not as the start of a longer name.
        const bool listed = usage.find("\n  " + name + "=") != std::string::npos ||
                            usage.find("\n  " + name + " ") != std::string::npos ||
                            usage.find(", " + name + " ") != std::string::npos;
        EXPECT_TRUE(listed) << name;
        EXPECT_EQ(ParseCountOptions({name}).error.find("unknown option"), std::string::npos) << name;
    }
    EXPECT_NE(usage.find("\n  -h, --help "), std::string::npos);
}

// The options a text names: "--name" (and "-h") wherever they stand.
std::set<std::string> NamedOptions(const std::string& text) {
    std::set<std::string> names;
    static const std::regex option("(^|[^-a-z0-9])(--[a-z][-a-z0-9]*|-h)(?![-a-z0-9])");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        names.insert((*it)[2]);
    return names;
}

TEST(CountOptions, TheHelpPageNamesEveryOptionTheHelpNames) {
    const std::string page = test::ReadFile(VORNIX_TEST_DATA_DIR "/../../help/html/count.htm");
    ASSERT_FALSE(page.empty());
    const std::set<std::string> inHelp = NamedOptions(CountUsage());
    const std::set<std::string> onPage = NamedOptions(page);
    ASSERT_GE(inHelp.size(), 30u);
    for (const std::string& name : inHelp) EXPECT_TRUE(onPage.count(name)) << name << " is not on count.htm";
    // Each option has a row of its own, first in its cell, and the page lists no option
    // that the program does not take.
    const std::vector<std::string> names = CountOptionNames();
    const std::set<std::string> known(names.begin(), names.end());
    static const std::regex row("<tr><td>(-h, )?(--[a-z][-a-z0-9]*)");
    std::set<std::string> rows;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator(); ++it)
        rows.insert((*it)[2]);
    EXPECT_EQ(rows, known);
    // Names in the prose (an abbreviation shown as an example) are ones the parser takes.
    for (const std::string& name : onPage) {
        const std::string error = ParseCountOptions({name, "f"}).error;
        EXPECT_TRUE(error.find("unknown") == std::string::npos && error.find("ambiguous") == std::string::npos)
            << name << ": " << error;
    }
}

}  // namespace
}  // namespace vornix

#include <gtest/gtest.h>

#include "core/engine/CharTable.h"

using namespace vornix;

namespace {

struct MapCase {
    int input;
    int windows;
    int dos;
};

}  // namespace

TEST(CharTable, MapsBytesForBothCharacterSets) {
    const CharMapTable win = BuildCharMap(CharacterSet::Windows);
    const CharMapTable dos = BuildCharMap(CharacterSet::Dos);
    const MapCase cases[] = {
        {'a', 'A', 'A'}, {'z', 'Z', 'Z'}, {'Q', 'Q', 'Q'},  {'7', '7', '7'}, {'_', '_', '_'}, {'\'', '\'', '\''},
        {',', ',', ','}, {'.', '.', '.'}, {'-', 32, 32},    {'(', 32, 32},   {')', 32, 32},   {'/', 32, 32},
        {'"', 32, 32},   {'\t', 32, 32},  {'\n', 32, 32},   {'\r', 32, 32},  {0, 32, 32},     {127, 32, 32},
        {'`', 32, 32},   {'@', 32, 32},   {146, '\'', 198}, {145, 32, 198},  {128, 32, 'C'},  {152, 32, 'I'},
        {159, 32, 'F'},  {165, 32, 'N'},  {166, 32, 32},    {191, 32, 32},   {192, 'A', 32},  {198, 198, 32},
        {208, 32, 32},   {215, 32, 32},   {216, 'O', 32},   {222, 32, 32},   {223, 32, 32},   {230, 198, 32},
        {239, 'I', 32},  {247, 32, 32},   {253, 'Y', 32},   {254, 32, 32},   {255, 'Y', 32},
    };
    for (const MapCase& c : cases) {
        EXPECT_EQ(win[c.input], c.windows) << "Windows, byte " << c.input;
        EXPECT_EQ(dos[c.input], c.dos) << "DOS, byte " << c.input;
    }
}

TEST(CharTable, EveryEntryIsSomethingTheScannerKnows) {
    for (CharacterSet set : {CharacterSet::Windows, CharacterSet::Dos}) {
        const CharMapTable map = BuildCharMap(set);
        for (int c = 0; c < 256; ++c) {
            const int m = map[c];
            const bool known = m == 32 || m == 44 || m == 46 || m == 198 || m == 39 || (m >= '0' && m <= '9') ||
                               (m >= 'A' && m <= 'Z') || m == '_';
            EXPECT_TRUE(known) << "byte " << c << " maps to " << m;
        }
    }
}

TEST(CharTable, IndexZeroIsWindowsAnythingElseDos) {
    EXPECT_EQ(CharacterSetFromIndex(0), CharacterSet::Windows);
    EXPECT_EQ(CharacterSetFromIndex(1), CharacterSet::Dos);
    EXPECT_EQ(CharacterSetFromIndex(-1), CharacterSet::Dos);
    EXPECT_EQ(CharacterSetFromIndex(7), CharacterSet::Dos);
}

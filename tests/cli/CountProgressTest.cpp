#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "cli/CountProgress.h"

using namespace vornix;
using namespace std::chrono_literals;

TEST(CountProgress, SilentForASecondThenRedrawnAFewTimesASecondAndErased) {
    const auto t0 = CountProgress::Clock::now();
    CountProgress p(t0);
    EXPECT_EQ(p.Finish(), "");  // never shown: nothing to erase
    p.SetFile(2, 5);
    EXPECT_FALSE(p.Due(t0 + 999ms));
    EXPECT_EQ(p.Update(t0 + 999ms, 5'000'000), "");
    EXPECT_EQ(p.Update(t0 + 2s, 150'000'000), "\rReading file 2 of 5, 150.0 MB, 75.0 MB/s\033[K");
    EXPECT_FALSE(p.Due(t0 + 2s + 199ms));
    EXPECT_EQ(p.Update(t0 + 2s + 199ms, 151'000'000), "");
    p.SetFile(3, 5);
    // Without a byte count the line still names the file.
    EXPECT_EQ(p.Update(t0 + 2s + 200ms, -1), "\rReading file 3 of 5\033[K");
    EXPECT_EQ(p.Finish(), "\r\033[K");
    EXPECT_EQ(p.Finish(), "");
}

TEST(CountProgress, BytesReadFollowTheProcessReads) {
    const std::int64_t before = ProcessBytesRead();
    if (before < 0) GTEST_SKIP() << "/proc/self/io cannot be read here";
    std::string text(1 << 20, 'x');
    std::ifstream in("/proc/self/exe", std::ios::binary);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    ASSERT_GT(in.gcount(), 0);
    EXPECT_GE(ProcessBytesRead() - before, in.gcount());
}

#pragma once
// The one-line progress display vornix-count writes to a terminal during long runs:
// "Reading file 2 of 5, 120.4 MB, 85.3 MB/s". Nothing shows for the first second, so
// short runs stay silent; the line is redrawn in place a few times a second and erased
// at the end. Whether a terminal is there is the caller's decision.
#include <chrono>
#include <cstdint>
#include <string>

namespace vornix {

class CountProgress {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kDelay{1000};
    static constexpr std::chrono::milliseconds kRefresh{200};

    explicit CountProgress(Clock::time_point start) : start_(start) {}

    // The document now read, 1-based, of count.
    void SetFile(int index, int count) {
        file_ = index;
        files_ = count;
    }

    // Whether Update would draw now; cheap, so it can be asked often.
    bool Due(Clock::time_point now) const {
        return now - start_ >= kDelay && (!shown_ || now - lastDrawn_ >= kRefresh);
    }

    // The bytes to write now (often none): the redrawn line.
    std::string Update(Clock::time_point now, std::int64_t bytesRead);

    // The bytes that erase the line; none when it never showed.
    std::string Finish();

private:
    Clock::time_point start_;
    Clock::time_point lastDrawn_{};
    bool shown_ = false;
    int file_ = 0;
    int files_ = 0;
};

// What this process has read so far (Linux /proc/self/io), or -1 when it cannot tell.
std::int64_t ProcessBytesRead();

}  // namespace vornix

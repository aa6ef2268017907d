#include "cli/CountProgress.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace vornix {

std::string CountProgress::Update(Clock::time_point now, std::int64_t bytesRead) {
    if (!Due(now)) return {};
    shown_ = true;
    lastDrawn_ = now;
    char line[160];
    int n = std::snprintf(line, sizeof line, "\rReading file %d of %d", file_, files_);
    if (bytesRead >= 0) {
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const double mb = static_cast<double>(bytesRead) / 1e6;
        n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), ", %.1f MB, %.1f MB/s", mb,
                           mb / seconds);
    }
    // Clears what a longer earlier line left to the right.
    return std::string(line) + "\033[K";
}

std::string CountProgress::Finish() {
    if (!shown_) return {};
    shown_ = false;
    return "\r\033[K";
}

std::int64_t ProcessBytesRead() {
    // rchar counts every byte read() returned, pipes included: the documents, standard
    // input and the (small) common words list.
    std::FILE* f = std::fopen("/proc/self/io", "re");
    if (!f) return -1;
    std::int64_t value = -1;
    char key[64];
    long long v = 0;
    while (std::fscanf(f, "%63[^:]: %lld ", key, &v) == 2) {
        if (std::strcmp(key, "rchar") == 0) {
            value = v;
            break;
        }
    }
    std::fclose(f);
    return value;
}

}  // namespace vornix

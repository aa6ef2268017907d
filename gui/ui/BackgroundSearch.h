#pragma once
// A sliced analysis (Step(budget) returning false when done, BytesDone, BytesTotal, as
// the core's searches are) run on a thread of its own, so that a window stays
// responsive over a long reading. Between slices it looks at the stop flag, so Break
// takes effect within one slice (a few tens of milliseconds). The window's thread
// polls Finished() and Percent(), and takes the search back once it has finished.
// The run the search reads must stay unchanged until then: a new run first stops it.
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <thread>

namespace vornix {

template <class Search>
class BackgroundSearch {
public:
    explicit BackgroundSearch(std::unique_ptr<Search> search)
        : search_(std::move(search)), total_(search_->BytesTotal()) {
        thread_ = std::thread([this] { Run(); });
    }
    ~BackgroundSearch() { Stop(); }
    BackgroundSearch(const BackgroundSearch&) = delete;
    BackgroundSearch& operator=(const BackgroundSearch&) = delete;

    // Asks the thread to stop after its slice and waits for it.
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool Finished() const { return finished_; }
    int Percent() const { return total_ > 0 ? static_cast<int>(done_.load() * 100 / total_) : 0; }
    // After Finished: whether every input was read (not stopped, no error), the error's
    // text, and the search itself.
    bool Complete() const { return complete_; }
    const std::string& Error() const { return error_; }
    std::unique_ptr<Search> Take() {
        Stop();
        return std::move(search_);
    }

private:
    void Run() {
        try {
            while (!stop_) {
                if (!search_->Step(4 << 20)) {
                    complete_ = true;
                    break;
                }
                done_ = search_->BytesDone();
            }
        } catch (const std::exception& e) {
            error_ = e.what();
        }
        finished_ = true;
    }

    std::unique_ptr<Search> search_;
    const std::int64_t total_;
    std::atomic<std::int64_t> done_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    bool complete_ = false;  // written by the thread before finished_
    std::string error_;
    std::thread thread_;
};

}  // namespace vornix

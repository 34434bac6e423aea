#pragma once
// The crew of helper threads that shares Synthesize Texture's candidate
// searches, one block of candidates at a time, with the calling thread.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The calling thread and up to `helpers` helper threads working through
// numbered blocks: each block is claimed by exactly one thread, in no fixed
// order, so the work of a block must depend on nothing but its number. The
// helpers are started at construction (fewer, down to none, when the system
// refuses one) and kept until destruction.
class SearchCrew {
public:
    explicit SearchCrew(uint32_t helpers);
    ~SearchCrew();
    SearchCrew(const SearchCrew&) = delete;
    SearchCrew& operator=(const SearchCrew&) = delete;

    uint32_t Helpers() const { return uint32_t(helpers_.size()); }
    // Runs work(b) for b = 0 .. blocks - 1 and returns when every block is
    // done. The calling thread claims blocks too, so a helper the system is
    // slow to schedule delays nothing but its own block in progress.
    // work must not throw.
    void Run(uint32_t blocks, const std::function<void(uint32_t)>& work);

private:
    void Claim();
    void HelperLoop();

    std::vector<std::thread> helpers_;
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    // The job, written under the mutex while no helper is in it.
    const std::function<void(uint32_t)>* work_ = nullptr;
    uint32_t blocks_ = 0;
    std::atomic<uint32_t> next_{0};
    uint64_t generation_ = 0;  // counts jobs
    bool open_ = false;        // helpers may join the current job
    uint32_t inJob_ = 0;       // helpers that joined it and are not done
    bool quit_ = false;
};

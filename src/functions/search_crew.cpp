#include "functions/search_crew.h"

#include <system_error>

SearchCrew::SearchCrew(uint32_t helpers) {
    try {
        while (helpers_.size() < helpers) helpers_.emplace_back(&SearchCrew::HelperLoop, this);
    } catch (const std::system_error&) {
        // Go on with the helpers there are.
    }
}

SearchCrew::~SearchCrew() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& helper : helpers_) helper.join();
}

void SearchCrew::Claim() {
    for (;;) {
        const uint32_t block = next_.fetch_add(1, std::memory_order_relaxed);
        if (block >= blocks_) return;
        (*work_)(block);
    }
}

void SearchCrew::Run(uint32_t blocks, const std::function<void(uint32_t)>& work) {
    if (helpers_.empty() || blocks <= 1) {
        for (uint32_t block = 0; block < blocks; ++block) work(block);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work_ = &work;
        blocks_ = blocks;
        next_.store(0, std::memory_order_relaxed);
        ++generation_;
        open_ = true;
    }
    wake_.notify_all();
    Claim();
    // Closed: a helper waking from now on waits for the next job, so once
    // those already in it are done, nothing reads this one.
    std::unique_lock<std::mutex> lock(mutex_);
    open_ = false;
    finished_.wait(lock, [this] { return inJob_ == 0; });
}

void SearchCrew::HelperLoop() {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || (open_ && generation_ != seen); });
        if (quit_) return;
        seen = generation_;
        ++inJob_;
        lock.unlock();
        Claim();
        lock.lock();
        if (--inJob_ == 0) finished_.notify_one();
    }
}

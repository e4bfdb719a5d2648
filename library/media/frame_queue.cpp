#include "frame_queue.h"

#include <algorithm>

namespace korvid::media {

FrameQueue::FrameQueue(Encode encode, int workers)
    : encode_(std::move(encode)), capacity_(size_t(std::max(1, workers)) * 2) {
    for (int i = 0; i < std::max(1, workers); ++i) workers_.emplace_back([this] { run(); });
}

FrameQueue::~FrameQueue() { close(); }

bool FrameQueue::push(support::Image frame, int number) {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [this] { return frames_.size() < capacity_ || failed_; });
    if (failed_) return false;
    frames_.emplace_back(std::move(frame), number);
    ready_.notify_one();
    return true;
}

bool FrameQueue::close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    ready_.notify_all();
    for (std::thread& w : workers_)
        if (w.joinable()) w.join();
    return !failed_;
}

void FrameQueue::run() {
    while (true) {
        std::pair<support::Image, int> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return !frames_.empty() || done_ || failed_; });
            if (frames_.empty() || failed_) return;
            job = std::move(frames_.front());
            frames_.pop_front();
        }
        room_.notify_one();
        std::string error;
        if (!encode_(job.first, job.second, &error)) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!failed_) error_ = error;
            failed_ = true;
            frames_.clear();
            room_.notify_all();
            ready_.notify_all();
            return;
        }
    }
}

}  // namespace korvid::media

// Encoding frames while the next ones render: frames pushed here are handed
// to `encode` on worker threads. One worker keeps the order (an animation's
// encoder takes frames in turn); more suit independent files. At most a few
// frames wait per worker, so memory stays bounded whatever the length.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "png_io.h"

namespace korvid::media {

class FrameQueue {
public:
    // `encode` gets each frame and its number (in push order); it returns
    // false with a message to stop the queue.
    using Encode = std::function<bool(const support::Image& frame, int number, std::string* error)>;
    FrameQueue(Encode encode, int workers);
    ~FrameQueue();
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // False once an encode has failed.
    bool push(support::Image frame, int number);
    // Waits for every frame pushed; false when one failed (see error()).
    bool close();
    const std::string& error() const { return error_; }

private:
    void run();
    Encode encode_;
    size_t capacity_;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<std::pair<support::Image, int>> frames_;
    bool done_ = false, failed_ = false;
    std::string error_;
    std::vector<std::thread> workers_;
};

}  // namespace korvid::media

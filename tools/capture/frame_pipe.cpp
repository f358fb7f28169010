#include "frame_pipe.h"

#include <GL/gl.h>

FramePipe::FramePipe(const Canvas& canvas, CaptureOutput& output, int queue)
    : canvas_(canvas), output_(output), queue_(queue < 0 ? defaultQueue : queue)
{
    if (queue_ == 0)
        return;
    // One buffer for the read under way, one per queued frame, one the worker holds.
    const std::size_t buffers = static_cast<std::size_t>(queue_) + 2;
    free_.resize(buffers);
    full_.resize(buffers);
    worker_ = std::thread([this] { work(); });
}

FramePipe::~FramePipe()
{
    stop();
}

void FramePipe::read(std::vector<std::uint8_t>& bottomUp)
{
    bottomUp.resize(static_cast<std::size_t>(canvas_.width()) * canvas_.height() * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, canvas_.width(), canvas_.height(), GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
}

bool FramePipe::handOn(const Frame& frame, std::string* error)
{
    return output_.addFrame(frame.index, frame.bottomUp, error);
}

bool FramePipe::add(std::uint64_t index, std::string* error)
{
    if (queue_ == 0) {
        inline_.index = index;
        read(inline_.bottomUp);
        return handOn(inline_, error);
    }
    Frame frame;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return failed_ || !free_.empty(); });
        if (failed_) {
            *error = error_;
            return false;
        }
        frame = std::move(free_.back());
        free_.pop_back();
    }
    frame.index = index;
    read(frame.bottomUp);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        full_[(fullHead_ + fullCount_) % full_.size()] = std::move(frame);
        ++fullCount_;
    }
    changed_.notify_all();
    return true;
}

void FramePipe::work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || fullCount_ > 0; });
        if (fullCount_ == 0)
            return;
        Frame frame = std::move(full_[fullHead_]);
        fullHead_ = (fullHead_ + 1) % full_.size();
        --fullCount_;
        ++busy_;
        const bool skip = failed_;  // after a failure the rest is only drained
        lock.unlock();
        std::string error;
        const bool ok = skip || handOn(frame, &error);
        lock.lock();
        --busy_;
        free_.push_back(std::move(frame));
        if (!ok && !failed_) {
            failed_ = true;
            error_ = error;
        }
        changed_.notify_all();
    }
}

bool FramePipe::finish(std::string* error)
{
    if (queue_ == 0)
        return true;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return fullCount_ == 0 && busy_ == 0; });
        if (failed_) {
            *error = error_;
            return false;
        }
    }
    return true;
}

void FramePipe::cancel()
{
    stop();
}

void FramePipe::stop()
{
    if (!worker_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fullCount_ = 0;
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

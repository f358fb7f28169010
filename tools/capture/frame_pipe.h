// Frames from the canvas to the capture's output: read back with
// glReadPixels (bottom row first) and handed to the output as they are.
//
// The read has to stay on the drawing thread and waits for the renderer to
// finish the frame. Everything after it (PNG encoding, or the conversion to
// YUV and the write into ffmpeg's pipe) runs on a thread of its own when the
// queue is longer than 0, so the next frame is drawn meanwhile. Measured
// alternatives that do not pay on Mesa's llvmpipe (reading through
// pixel-pack buffers, or blitting into a snapshot read later by a second
// context): llvmpipe's read and blit both wait for everything queued, so
// nothing is gained.
#ifndef MARDUNQIST_CAPTURE_FRAME_PIPE_H
#define MARDUNQIST_CAPTURE_FRAME_PIPE_H

#include "outputs.h"
#include "seams/screen.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FramePipe {
public:
    // Frames read but not yet taken by the output, at most; 0 hands each
    // frame on at once, on the caller's thread.
    static constexpr int defaultQueue = 2;

    // The canvas must be the one bound when add is called. A negative queue
    // means the default.
    FramePipe(const Canvas& canvas, CaptureOutput& output, int queue = -1);
    ~FramePipe();
    FramePipe(const FramePipe&) = delete;
    FramePipe& operator=(const FramePipe&) = delete;

    int queue() const { return queue_; }

    // Reads the frame just drawn and hands it on as frame `index`. False
    // once the output has failed, with its reason.
    bool add(std::uint64_t index, std::string* error);

    // Waits until the output has taken every frame. False with the reason
    // if it failed on any.
    bool finish(std::string* error);

    // Drops the frames not yet taken and stops (for an interrupted capture).
    void cancel();

private:
    struct Frame {
        std::uint64_t index = 0;
        std::vector<std::uint8_t> bottomUp;
    };

    void read(std::vector<std::uint8_t>& bottomUp);
    bool handOn(const Frame& frame, std::string* error);
    void work();
    void stop();

    const Canvas& canvas_;
    CaptureOutput& output_;
    int queue_;

    // With a queue: a ring of frames in order, and the buffers free for
    // reading into; both sized once, so no frame allocates.
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Frame> full_;
    std::size_t fullHead_ = 0, fullCount_ = 0;
    std::vector<Frame> free_;
    std::size_t busy_ = 0;  // frames the worker has taken and not yet finished
    bool stopping_ = false;
    bool failed_ = false;
    std::string error_;
    Frame inline_;  // without a queue: the one buffer
};

#endif

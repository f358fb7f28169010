// 16-bit stereo sound written as it comes into a WAV file that appears under
// its name only when complete (a WholeFile), its header completed at the end.
#ifndef MARDUNQIST_CAPTURE_SOUND_WRITER_H
#define MARDUNQIST_CAPTURE_SOUND_WRITER_H

#include "files/whole_file.h"

#include <cstdint>
#include <string>
#include <vector>

class SoundWriter {
public:
    // A WAV counts its bytes in 32 bits: 4 GiB less its header at most.
    static constexpr std::uint64_t maxWavDataBytes = 0xFFFFFFFFu - 36;

    bool open(const std::string& path, int sampleRate, std::string* error);
    // False with "FILE: why" on a write error, or for sound that would pass
    // what a WAV can hold.
    bool write(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error);
    // Completes the header, closes, and the file takes its name.
    bool commit(std::string* error);
    void discard() { file_.discard(); }

private:
    WholeFile file_;
    std::uint64_t dataBytes_ = 0;
};

#endif

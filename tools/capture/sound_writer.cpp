#include "sound_writer.h"

#include "files/regular_file.h"

#include <cstdio>
#include <cstring>

bool SoundWriter::open(const std::string& path, int sampleRate, std::string* error)
{
    dataBytes_ = 0;
    if (!file_.open(path, error))
        return false;
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    std::uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                               16, 0, 0, 0, 1, 0, 2, 0};  // PCM, stereo; sizes completed at the end
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(24, rate);
    put32(28, rate * 4);
    header[32] = 4;
    header[34] = 16;
    std::memcpy(header + 36, "data", 4);
    return file_.write(header, sizeof header, error);
}

bool SoundWriter::write(const std::vector<std::int16_t>& interleaved, std::size_t frames, std::string* error)
{
    const std::size_t bytes = frames * 2 * sizeof(std::int16_t);
    if (dataBytes_ + bytes > maxWavDataBytes) {
        *error = file_.path() + ": the sound passes " + byteSize(maxWavDataBytes) + ", more than a WAV file holds";
        return false;
    }
    // Little-endian samples, as the machine holds them on every target we build for.
    if (!file_.write(interleaved.data(), bytes, error))
        return false;
    dataBytes_ += bytes;
    return true;
}

bool SoundWriter::commit(std::string* error)
{
    if (file_.isOpen()) {
        std::uint8_t size[4];
        auto patch = [&](long at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                size[i] = static_cast<std::uint8_t>(v >> (8 * i));
            return std::fseek(file_.stream(), at, SEEK_SET) == 0 && std::fwrite(size, 1, 4, file_.stream()) == 4;
        };
        if (!patch(4, static_cast<std::uint32_t>(36 + dataBytes_)) ||
            !patch(40, static_cast<std::uint32_t>(dataBytes_))) {
            *error = fileError(file_.path());
            file_.discard();
            return false;
        }
    }
    return file_.commit(error);
}

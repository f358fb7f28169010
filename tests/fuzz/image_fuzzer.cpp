// libFuzzer target for the picture loader: any bytes as "0.jpg". The loader
// must never crash, leak, or allocate beyond the texture-size bound, whatever
// the file says about itself. Run it with -close_fd_mask=2 to keep the
// loader's one-line reports out of the fuzzer's own output.
#include "media/image.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string scratchPath()
{
    return "/tmp/mardunqist-fuzz-" + std::to_string(getpid()) + ".jpg";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = scratchPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    Image image;
    if (image.load(path.c_str())) {
        // A loaded picture is whole: every byte of its buffer is readable.
        const std::size_t bytes = static_cast<std::size_t>(image.width) * image.height * image.components;
        volatile unsigned sum = 0;
        for (std::size_t i = 0; i < bytes; i += 97)
            sum = sum + image.pixels[i];
        if (image.width > Image::maxSide || image.height > Image::maxSide || image.components != 3)
            __builtin_trap();
    } else if (image.pixels != nullptr) {
        __builtin_trap();
    }
    return 0;
}

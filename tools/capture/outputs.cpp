#include "outputs.h"

#include "frame_folder.h"
#include "sound_writer.h"
#include "video_output.h"
#include "files/regular_file.h"

#include <cstdio>

namespace {

std::unique_ptr<CaptureOutput> prepareVideo(const CaptureOptions& options, int sampleRate, std::string* error)
{
    const std::string& output = options.output;
    const VideoContainer* container = findVideoContainer(output);
    if (!container) {
        *error = output + ": unknown kind of output; name a " + videoExtensionList() +
                 " file, or a folder (ending in /)";
        return nullptr;
    }
    if (needsEvenSize(container->picture) && (options.width % 2 || options.height % 2)) {
        std::string instead;
        for (const VideoContainer& other : videoContainers) {
            if (!needsEvenSize(other.picture) && instead.empty())
                instead = std::string(", or write a ") + other.extension;
        }
        *error = output + ": " + pictureCodecName(container->picture) + " needs an even width and height, not " +
                 std::to_string(options.width) + "x" + std::to_string(options.height) + "; give an even --size" +
                 instead;
        return nullptr;
    }
    if (!checkOutputFile(output, options.force, error))
        return nullptr;
    return makeVideoOutput(*container, options, sampleRate);
}

} // namespace

std::unique_ptr<CaptureOutput> prepareCaptureOutput(const CaptureOptions& options, int sampleRate,
                                                    std::string* error)
{
    if (!outputIsFolder(options.output))
        return prepareVideo(options, sampleRate, error);
    std::string folder;
    if (!checkCaptureFolder(options.output, options.force, &folder, error))
        return nullptr;
    return makeFrameFolderOutput(folder, options.output, options, sampleRate);
}

bool soundFits(const CaptureOptions& options, std::uint64_t sampleFrames, int sampleRate, std::string* error)
{
    const std::uint64_t bytes = sampleFrames * 4;
    if (!outputIsFolder(options.output) || bytes <= SoundWriter::maxWavDataBytes)
        return true;
    const double hours = static_cast<double>(SoundWriter::maxWavDataBytes / 4) / sampleRate / 3600.0;
    char limit[32];
    std::snprintf(limit, sizeof limit, "%.1f hours", hours);
    *error = options.output + ": the capture's sound would take " + byteSize(bytes) + ", more than audio.wav can hold (" +
             byteSize(SoundWriter::maxWavDataBytes) + ", " + limit +
             "); capture less (--seconds, --frames) or into a video";
    return false;
}

std::unique_ptr<CaptureOutput> openCaptureOutput(const CaptureOptions& options, int sampleRate,
                                                 std::string* error)
{
    std::unique_ptr<CaptureOutput> output = prepareCaptureOutput(options, sampleRate, error);
    if (output && !output->start(error))
        return nullptr;
    return output;
}

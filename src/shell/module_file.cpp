#include "shell/module_file.h"

#include "files/regular_file.h"

#include <sstream>
#include <vector>

std::unique_ptr<openmpt::module> loadModule(const std::string& path, std::string* error)
{
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (readRegularFile(path, maxModuleBytes, "a module", &bytes, &why) && bytes.empty())
        why = "the file is empty";
    if (!why.empty()) {
        if (error)
            *error = path + ": " + why;
        return nullptr;
    }
    // libopenmpt's chatter about a module's quirks is not the viewer's concern.
    std::ostringstream quietLog;
    try {
        auto module = std::make_unique<openmpt::module>(bytes, quietLog);
        module->set_repeat_count(0);
        module->ctl_set_text("play.at_end", "stop");
        // Dither noise is random per run; without it a capture's sound is
        // the same bytes every time.
        module->ctl_set_integer("dither", 0);
        return module;
    } catch (const std::exception& e) {
        if (error)
            *error = path + ": " + e.what();
        return nullptr;
    }
}

std::unique_ptr<OpenmptRenderer> OpenmptRenderer::open(const std::string& path, std::string* error)
{
    std::unique_ptr<openmpt::module> module = loadModule(path, error);
    if (!module)
        return nullptr;
    return std::unique_ptr<OpenmptRenderer>(new OpenmptRenderer(std::move(module)));
}

std::size_t OpenmptRenderer::read(std::size_t frames, std::int16_t* out)
{
    return module_->read_interleaved_stereo(musicSampleRate, frames, out);
}

std::uint32_t OpenmptRenderer::position()
{
    return showmusic::makePosition(static_cast<std::uint32_t>(module_->get_current_order()),
                                   static_cast<std::uint32_t>(module_->get_current_row()));
}

double OpenmptRenderer::durationSeconds()
{
    return module_->get_duration_seconds();
}

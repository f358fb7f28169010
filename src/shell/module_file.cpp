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

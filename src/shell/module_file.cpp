#include "shell/module_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace {

bool readWholeFile(const std::string& path, std::vector<char>* bytes, std::string* why)
{
    struct stat info{};
    if (stat(path.c_str(), &info) != 0) {
        *why = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        *why = std::strerror(EISDIR);
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *why = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *why = "read error";
        return false;
    }
    if (bytes->empty()) {
        *why = "the file is empty";
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<openmpt::module> loadModule(const std::string& path, std::string* error)
{
    std::vector<char> bytes;
    std::string why;
    if (!readWholeFile(path, &bytes, &why)) {
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

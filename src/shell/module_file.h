// Loading the show's module with libopenmpt, set to play once and stop at its
// end. Shared by the live player and the capture tool's offline renderer.
#ifndef MARDUNQIST_SHELL_MODULE_FILE_H
#define MARDUNQIST_SHELL_MODULE_FILE_H

#include <libopenmpt/libopenmpt.hpp>

#include <memory>
#include <string>

constexpr int musicSampleRate = 44100;

// The module, or nullptr with a reason of the form "FILE: why".
std::unique_ptr<openmpt::module> loadModule(const std::string& path, std::string* error);

#endif

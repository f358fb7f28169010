// Loading the show's module with libopenmpt, set to play once and stop at its
// end. Shared by the live player and the capture tool's offline renderer.
#ifndef MARDUNQIST_SHELL_MODULE_FILE_H
#define MARDUNQIST_SHELL_MODULE_FILE_H

#include "seams/music.h"

#include <libopenmpt/libopenmpt.hpp>

#include <cstdint>
#include <memory>
#include <string>

// Real modules run to tens of megabytes at the very most; a larger file is
// refused before it is read, so a huge file cannot exhaust the memory.
constexpr std::uint64_t maxModuleBytes = std::uint64_t{256} << 20;

// The module, or nullptr with a reason of the form "FILE: why". Only a
// regular file of at most maxModuleBytes is read.
std::unique_ptr<openmpt::module> loadModule(const std::string& path, std::string* error);

// The position to publish after a rendered block. Past the song's last row
// libopenmpt renders the tail of the sound with its position back at (0, 0);
// the show must not see order 0 (its opening scene) again then, so once a
// later order has been seen the last position stands.
inline std::uint32_t positionAfterBlock(std::uint32_t published, std::uint32_t reported)
{
    const bool backToStart = (reported & 0xFFFFu) == 0 && (published & 0xFFFFu) != 0;
    return backToStart ? published : reported;
}

#endif

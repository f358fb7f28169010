// Loading the show's module with libopenmpt, set to play once and stop at its
// end. Shared by the live player and the offline stepper of captures.
#ifndef MARDUNQIST_SHELL_MODULE_FILE_H
#define MARDUNQIST_SHELL_MODULE_FILE_H

#include "seams/offline_music.h"

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

// A loaded module as the offline stepper renders it.
class OpenmptRenderer : public ModuleRenderer {
public:
    // The module of `path`, or nullptr with a reason as loadModule gives it.
    static std::unique_ptr<OpenmptRenderer> open(const std::string& path, std::string* error);

    std::size_t read(std::size_t frames, std::int16_t* out) override;
    std::uint32_t position() override;
    double durationSeconds() override;

private:
    explicit OpenmptRenderer(std::unique_ptr<openmpt::module> module) : module_(std::move(module)) {}

    std::unique_ptr<openmpt::module> module_;
};

#endif

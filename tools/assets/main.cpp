// mardunqist-assets: writes the show's default module and pictures into a
// folder, and renders modules for listening and level checks.
#include "assets.h"
#include "render.h"

#include "platform/end_signals.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* usage =
    "usage: mardunqist-assets [--short] [--force] [--if-stale] DIR\n"
    "       mardunqist-assets --render-wav MODULE.it OUT.wav\n"
    "       mardunqist-assets --levels MODULE.it\n"
    "       mardunqist-assets --icon FILE.svg\n"
    "\n"
    "Writes the show's default files into DIR (created if needed): the module\n"
    "Vostr_1.it and the pictures 0.jpg, 1.jpg, 2.jpg, c.jpg and k.jpg, the same\n"
    "bytes on every run, and a stamp file .assets-version naming the generator\n"
    "and each file's SHA-256. Each file is written whole under a temporary name\n"
    "and renamed into place; a file in DIR that the generator did not write\n"
    "keeps DIR as it is.\n"
    "\n"
    "  --short       write the short test module (a few seconds, same orders)\n"
    "  --if-stale    write nothing when DIR already holds this generator's files\n"
    "  --force       replace files in DIR that this generator did not write, or\n"
    "                that were changed since (otherwise DIR is left as it is)\n"
    "  --render-wav  render MODULE.it as libopenmpt plays it (44.1 kHz, float WAV)\n"
    "  --levels      print each order's start, length, peak and RMS level\n"
    "  --icon        write the menu icon, an SVG picture, to FILE.svg\n"
    "  --help        show this text\n";

int fail(const std::string& message)
{
    std::fprintf(stderr, "mardunqist-assets: %s\n", message.c_str());
    return endSignal() ? endSignalStatus(endSignal()) : 1;
}

int generate(const std::string& dir, const assets::GenerateOptions& options)
{
    std::string error;
    switch (assets::generateAssets(dir, options, &error)) {
    case assets::GenerateResult::failed:
    case assets::GenerateResult::interrupted:
        return fail(error);
    case assets::GenerateResult::alreadyCurrent:
        return 0;
    case assets::GenerateResult::written:
        break;
    }
    std::printf("mardunqist-assets: wrote %s (%s module)\n", dir.c_str(),
                options.kind == assets::ModuleKind::full ? "full" : "short");
    return 0;
}

int renderWav(const std::string& modulePath, const std::string& wavPath)
{
    assets::Rendering rendering;
    std::string error;
    if (!assets::renderModule(modulePath, &rendering, &error) || !assets::writeWav(wavPath, rendering.samples, &error))
        return fail(error);
    return 0;
}

int printLevels(const std::string& modulePath)
{
    assets::Rendering rendering;
    std::string error;
    if (!assets::renderModule(modulePath, &rendering, &error))
        return fail(error);
    std::fputs(assets::levelReport(rendering).c_str(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Ended by a signal, the tool still removes its temporary files.
    catchEndSignals();
    std::vector<std::string_view> args(argv + 1, argv + argc);
    assets::GenerateOptions options;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (a == "--render-wav") {
            if (i != 0 || args.size() != 3)
                return fail("--render-wav takes MODULE.it and OUT.wav (see --help)");
            return renderWav(std::string(args[i + 1]), std::string(args[i + 2]));
        }
        if (a == "--levels") {
            if (i != 0 || args.size() != 2)
                return fail("--levels takes MODULE.it (see --help)");
            return printLevels(std::string(args[1]));
        }
        if (a == "--icon") {
            if (i != 0 || args.size() != 2)
                return fail("--icon takes FILE.svg (see --help)");
            std::string error;
            return assets::writeIcon(std::string(args[1]), &error) ? 0 : fail(error);
        }
        if (a == "--short")
            options.kind = assets::ModuleKind::brief;
        else if (a == "--force")
            options.force = true;
        else if (a == "--if-stale")
            options.onlyIfStale = true;
        else if (a.starts_with("-") && a.size() > 1)
            return fail("unknown option " + std::string(a) + " (see --help)");
        else
            operands.emplace_back(a);
    }
    if (operands.size() != 1)
        return fail("give one folder to write into (see --help)");
    return generate(operands[0], options);
}

#include "support/tiny_module.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

itw::Module tinyModule(const std::vector<int>& rowsPerOrder, int speed, int tempo)
{
    itw::Module module;
    module.name = "test";
    module.speed = static_cast<std::uint8_t>(speed);
    module.tempo = static_cast<std::uint8_t>(tempo);

    itw::Sample beep;
    beep.name = "beep";
    for (int i = 0; i < 2000; ++i)
        beep.pcm.push_back(static_cast<std::int16_t>(8000 * std::sin(i * 0.0627) * (1.0 - i / 2000.0)));
    module.samples.push_back(beep);

    // One pattern per distinct length; orders name them.
    for (int rows : rowsPerOrder) {
        int index = -1;
        for (std::size_t p = 0; p < module.patterns.size(); ++p)
            if (module.patterns[p].rows == rows)
                index = static_cast<int>(p);
        if (index < 0) {
            itw::Pattern pattern(rows, 1);
            for (int r = 0; r < rows; ++r) {
                pattern.at(r, 0).note = itw::noteC5 + (r % 12);
                pattern.at(r, 0).sample = 1;
            }
            module.patterns.push_back(pattern);
            index = static_cast<int>(module.patterns.size() - 1);
        }
        module.orders.push_back(static_cast<std::uint8_t>(index));
    }
    return module;
}

void writeTinyModule(const std::string& path, const std::vector<int>& rowsPerOrder, int speed, int tempo)
{
    std::string error;
    ASSERT_TRUE(itw::writeFile(tinyModule(rowsPerOrder, speed, tempo), path, &error)) << error;
}

double tinyModuleSeconds(const std::vector<int>& rowsPerOrder, int speed, int tempo)
{
    int rows = 0;
    for (int r : rowsPerOrder)
        rows += r;
    return rows * itw::rowSeconds(speed, tempo);
}

namespace {

std::string madeTempDir(const std::string& tag)
{
    std::string pattern = (std::filesystem::temp_directory_path() / ("mardunqist-" + tag + "-XXXXXX")).string();
    char* made = mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr) << pattern;
    return pattern;
}

} // namespace

TempDir::TempDir(const std::string& tag) : path(madeTempDir(tag)) {}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

// Paths are UTF-8 text throughout the programs. std::filesystem takes a
// plain char string in the C library's locale on Windows (not UTF-8), so
// paths go into it and come out of it as UTF-8 (char8_t): the same bytes on
// Linux, the right names on Windows.
#ifndef MARDUNQIST_FILES_PATH_TEXT_H
#define MARDUNQIST_FILES_PATH_TEXT_H

#include <filesystem>
#include <string>
#include <string_view>

inline std::filesystem::path pathOf(const std::string& text)
{
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

inline std::string textOf(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#endif

// Text between the program and Windows' wide-character calls. Every string
// in the program is UTF-8, paths included; the W calls take and give UTF-16.
// Neither side depends on the ANSI code page, so a name it cannot hold (a
// Cyrillic folder on a Western system) comes through both ways.
#ifndef MARDUNQIST_WINDOWS_WIDE_TEXT_H
#define MARDUNQIST_WINDOWS_WIDE_TEXT_H

#include <string>

std::wstring wideText(const std::string& utf8);
std::string utf8Text(const wchar_t* wide, std::size_t length);
std::string utf8Text(const std::wstring& wide);

// A path as the W file calls take it: a path too long for MAX_PATH as a
// full path with the \\?\ prefix, so deep folders work whether or not the
// system has long paths turned on; any other path as it was given.
std::wstring widePath(const std::string& utf8);

// The text of a Windows error code, in UTF-8, without the closing full stop.
std::string systemMessage(unsigned long code);

#endif

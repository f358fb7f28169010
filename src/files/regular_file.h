// Reading the files people drop in. Only regular files are read: a FIFO,
// device or socket in a file's place is refused before anything could wait
// on it (the open does not block, and the check is made on what was opened),
// so a bad file never hangs a program that is showing full screen or
// holding temporary files.
#ifndef MARDUNQIST_OS_REGULAR_FILE_H
#define MARDUNQIST_OS_REGULAR_FILE_H

#include "platform/files.h"

#include <cstdint>
#include <string>
#include <vector>

// The whole file into *bytes; a file over maxBytes is refused before it is
// read, with a reason naming both sizes. `what` names the kind of file for
// that reason ("a module").
bool readRegularFile(const std::string& path, std::uint64_t maxBytes, const char* what,
                     std::vector<std::uint8_t>* bytes, std::string* why, Links links = Links::follow);

// "256 MiB", "3.0 GiB", "512 bytes".
std::string byteSize(std::uint64_t bytes);

#endif

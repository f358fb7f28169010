// The few file-system steps whose system calls differ between platforms:
// making a file that is new for certain, and moving names over others.
// Each fails with errno set, so fileError() words it as everywhere else.
#ifndef MARDUNQIST_OS_FILE_NAMES_H
#define MARDUNQIST_OS_FILE_NAMES_H

#include <string>

// A descriptor open for writing (binary) on a file this call created; -1
// with errno EEXIST when anything, a link included, has the name already.
int createNewFile(const std::string& path);

// `from` takes the name `to`; an earlier file of that name goes in the same
// step.
bool replaceName(const std::string& from, const std::string& to);

// The two names trade places in one step. False (errno ENOSYS or the like)
// where the system or the file system cannot, so the caller takes another way.
bool exchangeNames(const std::string& first, const std::string& second);

// The system's way to have a broken pipe or a file-size limit fail the write
// that met it, with a message, instead of ending the process.
void failWritesInsteadOfSignals();

#endif

// The file-system steps whose system calls differ between platforms: opening
// a file for reading only when it is a regular file, making a file that is new
// for certain, moving names over others, looking at, making, listing and
// removing names, and asking whether a folder can be read. Those that fail
// with errno set let fileError() (files/whole_file.h) word them as
// everywhere else.
//
// Paths are UTF-8, whatever the system's own encoding of names: on Windows
// the calls take them to its wide-character calls, and a path too long for
// the old limit of 260 characters works too.
#ifndef MARDUNQIST_PLATFORM_FILES_H
#define MARDUNQIST_PLATFORM_FILES_H

#include <string>
#include <vector>

// Whether a symbolic link in the file's place is followed or refused.
enum class Links { follow, refuse };

// A descriptor open for reading (blocking, close-on-exec), or -1 with the
// reason in *why: the system's ("No such file or directory", "Is a
// directory") or "is not a regular file (a FIFO)" and the like. The open
// never waits on what it finds: a FIFO or a device is refused, not read.
int openRegularFile(const std::string& path, std::string* why, Links links = Links::follow);

// A descriptor open for writing (binary) on a file this call created; -1
// with errno EEXIST when anything, a link included, has the name already.
int createNewFile(const std::string& path);

// `from` takes the name `to`; an earlier file of that name goes in the same
// step.
bool replaceName(const std::string& from, const std::string& to);

// The two names trade places in one step. False (errno ENOSYS or the like)
// where the system or the file system cannot, so the caller takes another way.
bool exchangeNames(const std::string& first, const std::string& second);

// What a name holds.
enum class EntryKind { missing, file, folder, link, other };

// What is under `path`: with Links::refuse a symbolic link (on Windows also
// a junction) as itself, with Links::follow what it leads to. A name that is
// not there is EntryKind::missing, with errno saying why (ENOENT, ENOTDIR);
// false with errno set when it cannot be told.
bool entryKind(const std::string& path, Links links, EntryKind* kind);

// The full path a symbolic link leads to; "" with errno set.
std::string linkTarget(const std::string& path);

// A new folder; false with errno set (EEXIST when the name is taken).
bool makeFolder(const std::string& path);

// The names in a folder, without "." and ".."; false with errno set.
bool listFolder(const std::string& path, std::vector<std::string>* names);

// False with errno set when the file cannot be removed.
bool removeFile(const std::string& path);

// A folder with all it holds, as far as it can be removed.
void removeTree(const std::string& path);

// The system's way to have a broken pipe or a file-size limit fail the write
// that met it, with a message, instead of ending the process.
void failWritesInsteadOfSignals();

// False, with "DIR: reason", unless `dir` is a folder whose files may be read.
bool checkReadableFolder(const std::string& dir, std::string* error);

#endif

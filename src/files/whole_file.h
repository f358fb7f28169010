// A file that appears under its name only when it is complete. It is written
// under a temporary name in the same folder (created anew, so nothing there
// is followed or overwritten) and renamed into place by commit(); the rename
// replaces an earlier file at once, and never writes through a symbolic link
// in its place. Given up, failed or destroyed before commit, the temporary
// is removed and the name keeps what it held.
#ifndef MARDUNQIST_OS_WHOLE_FILE_H
#define MARDUNQIST_OS_WHOLE_FILE_H

#include <cstddef>
#include <cstdio>
#include <string>

class WholeFile {
public:
    WholeFile() = default;
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;
    ~WholeFile() { discard(); }

    // Creates the temporary beside `path` (or replaces the one this object
    // has). False with "FILE: why".
    bool open(const std::string& path, std::string* error);

    bool isOpen() const { return file_ != nullptr; }

    // The stream to write (and seek) in; null when not open.
    std::FILE* stream() const { return file_; }

    // Writes all of it; false with "FILE: why" (a full disk, a size limit).
    bool write(const void* data, std::size_t size, std::string* error);

    // Flushes and closes, leaving the file under its temporary name (for a
    // file that is read back before it is committed or discarded). False
    // with "FILE: why", the temporary gone.
    bool close(std::string* error);

    // Closes if still open and renames into place. False with "FILE: why",
    // the temporary gone and the name as it was.
    bool commit(std::string* error);

    // Removes the temporary; the name keeps what it held.
    void discard();

    const std::string& path() const { return path_; }

    // "show.mp4" -> "show.partial-PID.mp4": same folder, so the rename into
    // place is atomic, and the real extension last, for tools that go by it.
    static std::string temporaryName(const std::string& path, int attempt = 0);

private:
    std::FILE* file_ = nullptr;
    std::string path_, temporary_;
};

// "FILE: " and the text of errno.
std::string fileError(const std::string& path);

#endif

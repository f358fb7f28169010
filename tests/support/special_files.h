// What people (or accidents) leave where a file should be: a FIFO, a link to
// a character device that never ends, a socket, a folder.
#ifndef MARDUNQIST_TESTS_SPECIAL_FILES_H
#define MARDUNQIST_TESTS_SPECIAL_FILES_H

#include <string>
#include <vector>

struct SpecialFile {
    std::string name;    // in the folder given to makeSpecialFiles
    const char* reason;  // part of the line a loader gives for it
};

// Makes one of each in `dir`, named stem-KIND.ext; fails the test on error.
std::vector<SpecialFile> makeSpecialFiles(const std::string& dir, const std::string& stem, const std::string& ext);

// Ends the test process if it is still running after `seconds`: a blocking
// open would otherwise hang the whole run instead of failing one test.
class Deadline {
public:
    explicit Deadline(unsigned seconds);
    ~Deadline();
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;
};

#endif

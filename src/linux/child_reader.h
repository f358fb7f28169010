// A child whose standard output the parent reads: the flash checker's
// ffmpeg and ffprobe. Linux only, as the flash checker is; started, waited
// for and killed as every ChildProcess is.
#ifndef MARDUNQIST_LINUX_CHILD_READER_H
#define MARDUNQIST_LINUX_CHILD_READER_H

#include "platform/child_process.h"

class ChildReader : public ChildProcess {
public:
    // Runs argv[0] as ChildProcess::start does, its standard output a pipe
    // that read() empties; with errorsToo its standard error goes there too.
    // 0, or the error number (ENOENT: not installed).
    int startReading(const std::vector<std::string>& argv, bool errorsToo);

    // `size` bytes of the child's output, fewer only where it ends; -1 when
    // an end signal came or the pipe failed.
    std::int64_t read(void* data, std::size_t size);
};

#endif

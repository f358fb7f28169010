#include "support/special_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

std::vector<SpecialFile> makeSpecialFiles(const std::string& dir, const std::string& stem, const std::string& ext)
{
    const std::vector<SpecialFile> files = {
        {stem + "-fifo" + ext, "is not a regular file (a FIFO)"},
        {stem + "-zero" + ext, "is not a regular file (a character device)"},
        {stem + "-socket" + ext, "is not a regular file (a socket)"},
        {stem + "-folder" + ext, "Is a directory"},
    };
    const std::string path = dir + "/";
    EXPECT_EQ(mkfifo((path + files[0].name).c_str(), 0644), 0) << std::strerror(errno);
    EXPECT_EQ(symlink("/dev/zero", (path + files[1].name).c_str()), 0) << std::strerror(errno);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = path + files[2].name;
    EXPECT_LT(socketPath.size(), sizeof address.sun_path) << socketPath;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    close(s);
    EXPECT_EQ(mkdir((path + files[3].name).c_str(), 0755), 0) << std::strerror(errno);
    return files;
}

Deadline::Deadline(unsigned seconds)
{
    alarm(seconds);
}

Deadline::~Deadline()
{
    alarm(0);
}

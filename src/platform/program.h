// What a platform says about the running program: its name, where its
// installed data lies, and the machine's millisecond count since boot; and
// how the program's arguments and messages reach it and its user.
#ifndef MARDUNQIST_PLATFORM_PROGRAM_H
#define MARDUNQIST_PLATFORM_PROGRAM_H

#include <cstdint>
#include <string>

// First thing in main. The arguments become UTF-8, the form every path in
// the programs takes (on Windows rebuilt from the wide command line, whatever
// the ANSI code page). A Windows program without a console of its own sends
// its messages to the console it was started from, if any.
void startProgram(int* argc, char*** argv);

// Why the program stops before its show, as "NAME: message" on stderr; where
// nobody sees stderr (a Windows program started from Explorer), in a
// message box as well.
void reportStop(const std::string& message);

// The running program's own name ("mardunqist", "mardunqist-capture"), for
// the start of the lines that code shared by several programs prints.
const char* programName();

// The installed data folder, wherever the program was installed or unpacked:
// on Linux share/mardunqist beside the bin/ folder that holds the running
// program, on Windows the program's own folder. "" when it cannot be told.
std::string installedDataFolder();

// Milliseconds since the machine booted, wrapped to 32 bits as a platform
// tick counter wraps. Only the random seed of a live show reads it.
std::uint32_t bootTicks();

#endif

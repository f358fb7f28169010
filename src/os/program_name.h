// The running program's own name ("mardunqist", "mardunqist-capture"), for
// the start of the lines that code shared by several programs prints.
#ifndef MARDUNQIST_OS_PROGRAM_NAME_H
#define MARDUNQIST_OS_PROGRAM_NAME_H

const char* programName();

#endif

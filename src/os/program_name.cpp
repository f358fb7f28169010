#include "os/program_name.h"

#include <cerrno>

const char* programName()
{
    return program_invocation_short_name;
}

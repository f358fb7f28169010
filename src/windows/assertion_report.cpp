// algebra.h's checks call the C library's report-and-abort routine under
// glibc's name. Windows' C runtime has its own (_assert): the same report,
// "Assertion failed: EXPRESSION, file algebra.h, line N", then abort.
#include <assert.h>

extern "C" [[noreturn]] void __assert_fail(const char* assertion, const char* file, unsigned int line,
                                           const char*) noexcept
{
    _assert(assertion, file, line);
    __builtin_unreachable();
}

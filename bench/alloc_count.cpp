#include "alloc_count.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <dlfcn.h>
#include <execinfo.h>
#include <new>

// glibc's own entry points: a definition here takes precedence over libc's for
// every library in the process, and forwards to the real allocator.
extern "C" {
// The executable's code, from the linker's default script.
extern char __executable_start[];
extern char etext[];
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
}

namespace {

// Plain zero-initialised TLS in the executable: no allocation on first use.
thread_local std::uint64_t threadCount = 0;
thread_local std::uint64_t threadNews = 0;
thread_local std::uint64_t threadOwnNews = 0;
std::atomic<std::uint64_t> totalCount{0};

void count()
{
    ++threadCount;
    totalCount.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

extern "C" void* malloc(std::size_t size)
{
    count();
    return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t n, std::size_t size)
{
    count();
    return __libc_calloc(n, size);
}

extern "C" void* realloc(void* pointer, std::size_t size)
{
    count();
    return __libc_realloc(pointer, size);
}

namespace {

bool inExecutable(const void* address)
{
    const char* at = static_cast<const char*>(address);
    return at >= __executable_start && at < etext;
}

// Inside a function the executable exports: a libstdc++ copy (std::string's
// _M_replace, say) that every library in the process calls instead of its
// own, LLVM too while it compiles llvmpipe's shaders.
bool inExportedFunction(const void* address)
{
    Dl_info info;
    return dladdr(address, &info) && info.dli_sname;
}

// Whether the show's code asked for the memory: the caller is the
// executable's own code, or an exported copy called from it. Only the
// second case walks the stack, and it is rare.
bool calledFromOwnCode(const void* caller)
{
    if (!inExecutable(caller))
        return false;
    if (!inExportedFunction(caller))
        return true;
    void* frames[16];
    const int count = backtrace(frames, 16);
    int i = 0;
    while (i < count && frames[i] != caller)
        ++i;
    for (++i; i < count; ++i) {
        if (!inExecutable(frames[i]))
            return false;
        if (!inExportedFunction(frames[i]))
            return true;
    }
    return false;
}

} // namespace

// The replaceable operator new: counted, then the same path libstdc++ takes.
static void* countedNew(std::size_t size, const void* caller)
{
    ++threadNews;
    if (calledFromOwnCode(caller))
        ++threadOwnNews;
    for (;;) {
        if (void* p = std::malloc(size ? size : 1))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void* operator new(std::size_t size)
{
    return countedNew(size, __builtin_return_address(0));
}

void* operator new[](std::size_t size)
{
    return countedNew(size, __builtin_return_address(0));
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return countedNew(size, __builtin_return_address(0));
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return countedNew(size, __builtin_return_address(0));
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace alloccount {

bool active()
{
    return true;
}

std::uint64_t thisThread()
{
    return threadCount;
}

std::uint64_t newsThisThread()
{
    return threadNews;
}

std::uint64_t ownNewsThisThread()
{
    return threadOwnNews;
}

std::uint64_t allThreads()
{
    return totalCount.load(std::memory_order_relaxed);
}

} // namespace alloccount

// write-short-song FILE ORDERS: a song of ORDERS orders of 64 beeps each
// (1.92 s an order), written with the project's module writer, for the
// end-to-end tests of a song shorter than the show's timeline. Prints its
// length in seconds.
#include "support/tiny_module.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    const int orders = argc == 3 ? std::atoi(argv[2]) : 0;
    if (orders < 1 || orders > 200) {
        std::fputs("usage: write-short-song FILE ORDERS (1 to 200)\n", stderr);
        return 2;
    }
    const std::vector<int> rows(static_cast<std::size_t>(orders), 64);
    std::string error;
    if (!itw::writeFile(tinyModule(rows), argv[1], &error)) {
        std::fprintf(stderr, "write-short-song: %s\n", error.c_str());
        return 1;
    }
    std::printf("%.3f\n", tinyModuleSeconds(rows));
    return 0;
}

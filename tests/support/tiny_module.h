// Tiny modules for tests, written with the project's module writer.
#ifndef MARDUNQIST_TESTS_TINY_MODULE_H
#define MARDUNQIST_TESTS_TINY_MODULE_H

#include "it_writer.h"

#include <string>
#include <vector>

// A module whose order k plays a pattern of rowsPerOrder[k] rows, each row a
// short beep, at the given speed and tempo.
itw::Module tinyModule(const std::vector<int>& rowsPerOrder, int speed = 3, int tempo = 250);

// The same, written to path; fails the test on error.
void writeTinyModule(const std::string& path, const std::vector<int>& rowsPerOrder,
                     int speed = 3, int tempo = 250);

// Seconds the tiny module plays.
double tinyModuleSeconds(const std::vector<int>& rowsPerOrder, int speed = 3, int tempo = 250);

// A fresh temporary folder for one test, removed with all it holds when the
// test is done with it.
class TempDir {
public:
    explicit TempDir(const std::string& tag);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string path;
};

#endif

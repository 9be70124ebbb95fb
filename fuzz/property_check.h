// What every fuzz target does when a property does not hold: say where, then abort, so that
// libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void FailAt(const char* file, int line) {
  std::fprintf(stderr, "property broken at %s:%d\n", file, line);
  std::abort();
}

// Both name the target's own file and line.
#define PROPERTY_BROKEN() FailAt(__FILE__, __LINE__)

#define PROPERTY(ok)              \
  do {                            \
    if (!(ok)) PROPERTY_BROKEN(); \
  } while (false)

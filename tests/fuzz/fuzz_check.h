// What every fuzz target shares: a check that stops the run when a parser's result breaks
// the promise its interface makes (a crash is found without it).
#pragma once

#include <cstdio>
#include <cstdlib>

#define EMBER_FUZZ_CHECK(condition)                                                      \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

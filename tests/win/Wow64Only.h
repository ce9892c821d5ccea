// Checks that only a 32-bit process under WOW64 can make: the x86-64 build reports them as skipped.
#pragma once
#include <gtest/gtest.h>

#define KV_SKIP_UNLESS_WOW64()                                                                        \
  do {                                                                                                 \
    if (sizeof(void*) != 4) {                                                                          \
      GTEST_SKIP() << "needs a 32-bit process under WOW64; this is the x86-64 build, run on a host "   \
                      "whose Wine runs no 32-bit program";                                             \
    }                                                                                                  \
  } while (false)

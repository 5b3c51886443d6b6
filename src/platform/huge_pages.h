#pragma once

#include <unistd.h>

#include <cstdlib>

namespace fendrel {

// Restarts the running program once, with the same arguments, so that the C
// library asks the system for huge pages for its large blocks. Returns, and
// the program carries on as it is, when that has been done already, when the
// user set the library's tunables himself, or when the restart fails. Call
// first thing in main, before any thread starts. Header-only, so that the
// benchmark programs, which measure what the program does, can use it too.
//
// Why: a series of millions fills blocks of hundreds of megabytes that Qt's
// containers allocate with plain malloc (a grid keeps a record per row, for
// one). Where the system hands out huge pages only on request, every 4 KiB of
// them costs a page fault when first written; opening 16M samples spent half
// its time there. The C library makes that request once told so by its
// tunables, which it reads only at start-up.
inline void RestartWithHugePages(char** argv) {
  if (argv == nullptr || argv[0] == nullptr || std::getenv("GLIBC_TUNABLES") != nullptr) return;
  if (::setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 1) != 0) return;
  ::execv("/proc/self/exe", argv);
  ::unsetenv("GLIBC_TUNABLES");  // no restart: go on without
}

}  // namespace fendrel

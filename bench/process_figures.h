#pragma once

#include <cstdio>

// This process's resident memory in KiB, from /proc/self/statm (pages of 4 KiB).
inline long residentKb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

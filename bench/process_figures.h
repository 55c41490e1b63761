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

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/types.h>

// A figure in kB from another process's /proc/PID/status ("VmRSS:", "VmHWM:"); -1 when gone.
inline long statusKb(pid_t pid, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field) + 1);
  return -1;
}

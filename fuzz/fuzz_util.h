// Helpers shared by the fuzz targets: a working folder of their own, the
// program's standard output caught in memory, and the failure that the
// fuzzer records as a crash.
#pragma once
#include <sanitizer/common_interface_defs.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// Reports a broken promise of the code under test and aborts, which the
// fuzzer records as a crash with the input that caused it. The report goes
// where sanitizer reports go, which is still the log when the fuzzer has
// closed standard error.
[[noreturn]] inline void Broken(const std::string& what) {
  __sanitizer_report_error_summary(("fuzz target: " + what).c_str());
  std::abort();
}

// Moves the process into a fresh temporary folder, removed at exit with
// the files named in `leftovers`.
inline void WorkInTempDir(const char* const* leftovers) {
  static std::string dir;
  static const char* const* names;
  char pattern[] = "/tmp/tessivar-fuzz-XXXXXX";
  if (!mkdtemp(pattern) || chdir(pattern) != 0) Broken("cannot make a working folder");
  dir = pattern;
  names = leftovers;
  std::atexit([] {
    for (const char* const* n = names; *n; ++n) unlink((dir + "/" + *n).c_str());
    rmdir(dir.c_str());
  });
}

// A file in memory, reached by a path, for code that reads files by name.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("fuzz-input", 0)) {
    if (fd_ < 0) Broken("memfd_create failed");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() { close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& path() const { return path_; }
  void Set(const uint8_t* data, size_t size) {
    if (ftruncate(fd_, 0) != 0 || pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size))
      Broken("cannot write the memory file");
  }
  // Everything written to the file, from its start.
  std::string Contents() const {
    std::string s;
    char buf[4096];
    for (off_t at = 0;;) {
      ssize_t got = pread(fd_, buf, sizeof buf, at);
      if (got <= 0) break;
      s.append(buf, static_cast<size_t>(got));
      at += got;
    }
    return s;
  }
  int fd() const { return fd_; }

 private:
  int fd_;
  std::string path_;
};

// Standard output goes into a memory file while an object lives.
class CaughtStdout {
 public:
  CaughtStdout() {
    std::fflush(stdout);
    saved_ = dup(1);
    if (saved_ < 0 || dup2(file_.fd(), 1) < 0) Broken("cannot redirect standard output");
  }
  ~CaughtStdout() {
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
  }
  std::string Text() {
    std::fflush(stdout);
    return file_.Contents();
  }

 private:
  MemoryFile file_;
  int saved_;
};

}  // namespace fuzz

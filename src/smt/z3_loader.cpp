// solve_z3 for the program: the z3 back end is a module beside the
// executable, loaded on first use (loading the z3 library costs more than
// answering a small benchmark with the SAT back end).
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <mutex>
#include <string>

#include "smt/backend.h"

namespace tessivar::smt {

namespace {

using Entry = void (*)(const Benchmark*, const SolveOptions*, Outcome*);

Entry g_entry = nullptr;
std::string g_why;

void load() {
  char exe[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) {
    g_why = "cannot find the program's own folder";
    return;
  }
  std::string path(exe, static_cast<size_t>(n));
  path = path.substr(0, path.rfind('/') + 1) + "libtessivar-smt-z3.so";
  void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = ::dlerror();
    g_why = e ? e : "cannot load " + path;
    return;
  }
  g_entry = reinterpret_cast<Entry>(::dlsym(h, "tessivar_solve_z3"));
  if (!g_entry) g_why = path + " has no z3 back end";
}

}  // namespace

Outcome solve_z3(const Benchmark& b, const SolveOptions& opts) {
  static std::once_flag once;
  std::call_once(once, load);
  Outcome out;
  if (!g_entry) {
    out.reason = "z3 back end not available: " + g_why;
    return out;
  }
  g_entry(&b, &opts, &out);
  return out;
}

}  // namespace tessivar::smt

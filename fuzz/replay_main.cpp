// A plain main for a fuzz target, for the coverage build (scripts/fuzz-coverage.sh):
// feeds it each file named in the list file given as the only argument, once.
// A check that stops the run still leaves the profile of what ran before it, and
// the script goes on after the input that stopped it.

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int __llvm_profile_write_file(void);

namespace {

std::string current;

void OnAbort(int) {
  // Not async-signal-safe in general; the process ends here anyway.
  __llvm_profile_write_file();
  std::fprintf(stderr, "replay: stopped by %s\n", current.c_str());
  _exit(3);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s LIST-FILE\n", argv[0]);
    return 2;
  }
  std::signal(SIGABRT, OnAbort);
  std::ifstream list(argv[1]);
  int count = 0;
  for (std::string path; std::getline(list, path);) {
    if (path.empty()) continue;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    current = path;
    std::vector<std::uint8_t> data(bytes.begin(),
                                   bytes.end());  // its own allocation, as libFuzzer gives it
    LLVMFuzzerTestOneInput(data.data(), data.size());
    ++count;
  }
  std::fprintf(stderr, "replay: %d inputs\n", count);
  return 0;
}

#include "app/command_line.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "io/program_name.hpp"
#include "io/runtime_error.hpp"

namespace {

constexpr const char* kUsage =
    "Usage: vortex [--help | --version]\n"
    "Compute the pressure distribution along a thin cambered profile in a uniform\n"
    "stream by the discrete vortex method.\n"
    "\n"
    "vortex asks on the console for two numbers, the number of vortices (1 to 201)\n"
    "and the free-stream velocity, each answered by one free-form number; they may\n"
    "also come from a file, as in 'vortex < input.txt'. It writes one record per\n"
    "point, the abscissa x/c and the pressure coefficient, into rezult.txt in the\n"
    "working directory; a run started there while another one holds the file\n"
    "waits for it to end.\n"
    "\n"
    "Exit status: 0 when the run ends normally, 1 when the solver stops it, and\n"
    "the number of the run-time error that ended it otherwise (24 for the end of\n"
    "the input, for example).\n"
    "\n"
    "      --help     display this help and exit\n"
    "      --version  output version information and exit\n"
    "\n"
    "Full documentation: " VORTEX_MANUAL "\n";

constexpr const char* kVersion = "vortex " VORTEX_VERSION "\n";

int answer(const char* text) {
  std::fputs(text, stdout);
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return 0;
  std::fprintf(stderr, "%s: write error: %s\n", io::program_name(), std::strerror(errno));
  return io::kErrWrite;
}

}  // namespace

int answer_command_line(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") return answer(kUsage);
    if (arg == "--version") return answer(kVersion);
  }
  return -1;
}

// morogif: the command-line front of the recorder and of its GIF component.
#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/cli/CliCommand.h"

namespace {

using app::cli::CliCommand;

// One line per subcommand.
constexpr std::array kCommands{
    CliCommand{"encode", "make a GIF from pictures", app::cli::runEncode},
    CliCommand{"info", "show a GIF's animation and frame records; export a frame as BMP", app::cli::runInfo},
    CliCommand{"edit", "change a GIF's screen, loop count, frames or palette in place", app::cli::runEdit},
    CliCommand{"record", "record a rectangle of the X screen into a GIF", app::cli::runRecord},
};

void printUsage(std::FILE* out) {
  std::fprintf(out, "usage: morogif COMMAND [options]\n\ncommands:\n");
  for (const auto& c : kCommands)
    std::fprintf(out, "  %-8.*s %.*s\n", int(c.name.size()), c.name.data(), int(c.summary.size()),
                 c.summary.data());
  std::fprintf(out, "\n`morogif COMMAND --help` describes one command.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
    printUsage(stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printUsage(stdout);
    return 0;
  }
  for (const auto& c : kCommands)
    if (c.name == args[0]) return c.run(app::cli::Args(args).subspan(1));
  std::fprintf(stderr, "morogif: unknown command '%.*s'\n", int(args[0].size()), args[0].data());
  printUsage(stderr);
  return 2;
}

#pragma once
// The subcommands of the `morogif` command-line tool. Each is a thin layer over a library: it parses
// its arguments, calls the library and turns failures into messages and exit codes.
#include <span>
#include <string_view>

namespace app::cli {

using Args = std::span<const std::string_view>;  // the arguments after the subcommand name

struct CliCommand {
  std::string_view name;
  std::string_view summary;  // one line for `morogif --help`
  int (*run)(Args args);     // exit code
};

int runEncode(Args args);
int runInfo(Args args);
int runEdit(Args args);
int runRecord(Args args);

}  // namespace app::cli

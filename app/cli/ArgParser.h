#pragma once
// A small command-line option parser shared by the subcommands: long options with or without a value
// ("--name VALUE" or "--name=VALUE"), short aliases, positional arguments and a generated help text.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/CliCommand.h"

namespace app::cli {

class ArgParser {
 public:
  ArgParser(std::string usage, std::string description);

  // An option without a value.
  void flag(std::string name, std::string help, bool* out);
  // An option with a text value.
  void text(std::string name, std::string metavar, std::string help, std::string* out);
  // An option with an integer value in [min, max].
  void integer(std::string name, std::string metavar, std::string help, std::int64_t min, std::int64_t max,
               std::function<void(std::int64_t)> store);
  // An option with a value that `apply` takes or refuses (setting `error`); it may be repeated.
  void custom(std::string name, std::string metavar, std::string help,
              std::function<bool(std::string_view value, std::string& error)> apply);
  // A further spelling of an option already added ("-o" for "--output").
  void alias(std::string alias, const std::string& name);

  enum class Result { Ok, Help, Error };
  // Parses args; positional arguments are collected in order. On Error, error() says why.
  Result parse(Args args);
  const std::vector<std::string>& positional() const { return positional_; }
  const std::string& error() const { return error_; }
  std::string helpText() const;

  // Parses a whole decimal integer; false when it is not one or lies outside [min, max].
  static bool parseInteger(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& out);

 private:
  struct Option {
    std::string name;
    std::string metavar;  // empty: a flag
    std::string help;
    std::function<bool(std::string_view value, std::string& error)> apply;
  };
  const Option* find(std::string_view name) const;

  std::string usage_;
  std::string description_;
  std::vector<Option> options_;
  std::vector<std::pair<std::string, std::string>> aliases_;
  std::vector<std::string> positional_;
  std::string error_;
};

}  // namespace app::cli

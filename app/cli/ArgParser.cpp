#include "app/cli/ArgParser.h"

#include <charconv>

namespace app::cli {

ArgParser::ArgParser(std::string usage, std::string description)
    : usage_(std::move(usage)), description_(std::move(description)) {}

void ArgParser::flag(std::string name, std::string help, bool* out) {
  options_.push_back({std::move(name), "", std::move(help), [out](std::string_view, std::string&) {
                        *out = true;
                        return true;
                      }});
}

void ArgParser::text(std::string name, std::string metavar, std::string help, std::string* out) {
  options_.push_back({std::move(name), std::move(metavar), std::move(help), [out](std::string_view v, std::string&) {
                        *out = std::string(v);
                        return true;
                      }});
}

void ArgParser::integer(std::string name, std::string metavar, std::string help, std::int64_t min,
                        std::int64_t max, std::function<void(std::int64_t)> store) {
  const std::string optionName = name;
  options_.push_back({std::move(name), std::move(metavar), std::move(help),
                      [=, store = std::move(store)](std::string_view v, std::string& error) {
                        std::int64_t n = 0;
                        if (!parseInteger(v, min, max, n)) {
                          error = optionName + " needs a whole number from " + std::to_string(min) + " to " +
                                  std::to_string(max) + ", not '" + std::string(v) + "'";
                          return false;
                        }
                        store(n);
                        return true;
                      }});
}

void ArgParser::custom(std::string name, std::string metavar, std::string help,
                       std::function<bool(std::string_view value, std::string& error)> apply) {
  options_.push_back({std::move(name), std::move(metavar), std::move(help), std::move(apply)});
}

void ArgParser::alias(std::string alias, const std::string& name) { aliases_.emplace_back(std::move(alias), name); }

bool ArgParser::parseInteger(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& out) {
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < min || v > max) return false;
  out = v;
  return true;
}

const ArgParser::Option* ArgParser::find(std::string_view name) const {
  for (const auto& [a, target] : aliases_)
    if (a == name) name = target;
  for (const auto& o : options_)
    if (o.name == name) return &o;
  return nullptr;
}

ArgParser::Result ArgParser::parse(Args args) {
  positional_.clear();
  error_.clear();
  bool onlyPositional = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (onlyPositional || arg.size() < 2 || arg[0] != '-') {
      positional_.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyPositional = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") return Result::Help;
    std::string_view name = arg;
    std::string_view value;
    bool hasValue = false;
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    const Option* o = find(name);
    if (!o) {
      error_ = "unknown option " + std::string(name);
      return Result::Error;
    }
    if (o->metavar.empty()) {
      if (hasValue) {
        error_ = std::string(name) + " takes no value";
        return Result::Error;
      }
    } else if (!hasValue) {
      if (i + 1 >= args.size()) {
        error_ = std::string(name) + " needs a value (" + o->metavar + ")";
        return Result::Error;
      }
      value = args[++i];
    }
    if (!o->apply(value, error_)) return Result::Error;
  }
  return Result::Ok;
}

std::string ArgParser::helpText() const {
  std::string out = "usage: " + usage_ + "\n\n" + description_ + "\n\noptions:\n";
  for (const auto& o : options_) {
    std::string left = "  " + o.name;
    for (const auto& [a, target] : aliases_)
      if (target == o.name) left = "  " + a + ", " + o.name;
    if (!o.metavar.empty()) left += " " + o.metavar;
    if (left.size() < 28) left.resize(28, ' ');
    else left += "\n" + std::string(28, ' ');
    out += left + o.help + "\n";
  }
  out += "  -h, --help                show this help\n";
  return out;
}

}  // namespace app::cli

#pragma once
// Runs the built `morogif` binary and captures what it says.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace cli_test {

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Quotes one argument for /bin/sh.
inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `morogif ARGS...`; stdout and stderr are kept apart.
inline RunResult runMorogif(const std::vector<std::string>& args) {
  const auto errFile = std::filesystem::temp_directory_path() /
                       ("morogif-stderr-" + std::to_string(::getpid()) + ".txt");
  std::string cmd = shellQuote(MOROGIF_CLI_PATH);
  for (const auto& a : args) cmd += " " + shellQuote(a);
  cmd += " 2>" + shellQuote(errFile.string()) + " </dev/null";
  RunResult r;
  FILE* pipe = ::popen(cmd.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf{};
  std::size_t n = 0;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  const int status = ::pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = slurp(errFile);
  std::filesystem::remove(errFile);
  return r;
}

// Runs a shell command line; true when it exits 0. Output goes to `out` when given.
inline bool runShell(const std::string& cmd, std::string* out = nullptr) {
  FILE* pipe = ::popen((cmd + " 2>&1").c_str(), "r");
  if (!pipe) return false;
  std::array<char, 4096> buf{};
  std::size_t n = 0;
  std::string text;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) text.append(buf.data(), n);
  if (out) *out = text;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline bool haveTool(const std::string& name) { return runShell("command -v " + shellQuote(name)); }

}  // namespace cli_test

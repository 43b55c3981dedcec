#include "engine/core/ReportError.h"

#include <sys/utsname.h>

#include <cstdio>
#include <string_view>
#include <utility>

namespace engine {
namespace {

// Windows version detection has no counterpart here: the system kind and the server level read 0,
// which is what the report shows for any system the engine does not know.
constexpr int kSystemKind = 0;
constexpr int kServerLevel = 0;

int NativeBitness() {
  utsname name{};
  if (uname(&name) == 0) {
    const std::string_view machine(name.machine);
    for (std::string_view wide : {"x86_64", "aarch64", "arm64", "ppc64", "ppc64le", "s390x", "riscv64"}) {
      if (machine == wide) return 64;
    }
    return 32;
  }
  return sizeof(void*) == 8 ? 64 : 32;
}

ErrorReportSink& Sink() {
  static ErrorReportSink sink;
  return sink;
}

}  // namespace

std::string ComposeErrorReport(std::string_view message, int code, std::string_view function) {
  std::string text = "Quilt Error：";
  text += message;
  if (code != 0) {
    text += "，错误代码：";
    text += std::to_string(code);
  }
  if (!function.empty()) {
    text += "。相关函数：";
    text += function;
  }
  text += "。系统版本：";
  text += std::to_string(kSystemKind);
  text += '/';
  text += std::to_string(kServerLevel);
  text += '(';
  text += std::to_string(NativeBitness());
  text += "位)";
  return text;
}

std::string ReportUnderline(std::string_view text) {
  std::size_t columns = 0;
  for (unsigned char c : text) {
    if (c < 0x80) {
      ++columns;
    } else if ((c & 0xC0) == 0xC0) {
      columns += 2;  // lead byte of a multi-byte character; continuation bytes add nothing
    }
  }
  return std::string(columns, '-');
}

void ReportError(std::string_view message, int code, std::string_view function) {
  const std::string report = ComposeErrorReport(message, code, function);
  if (const ErrorReportSink& sink = Sink()) {
    sink(report);
    return;
  }
  std::fprintf(stderr, "%s\n%s\n", report.c_str(), ReportUnderline(report).c_str());
}

ErrorReportSink SetErrorReportSink(ErrorReportSink sink) {
  return std::exchange(Sink(), std::move(sink));
}

}  // namespace engine

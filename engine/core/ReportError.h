#pragma once
// The engine's diagnostic error report: "Quilt Error：" + message (+ code) (+ function) + system version.
// Reports never reach the user; they go to a diagnostic channel (stderr unless a sink is installed) and
// the caller carries on with a safe default.
#include <functional>
#include <string>
#include <string_view>

namespace engine {

// Composes the report text. The code is shown only when it is non-zero, the function only when given.
std::string ComposeErrorReport(std::string_view message, int code = 0, std::string_view function = {});

// A line of '-' as wide as `text` is on a terminal: one column per ASCII character, two per other
// character (the same width the text has in the 8-bit CJK code page the reports were designed for).
std::string ReportUnderline(std::string_view text);

// Composes the report and hands it to the current sink (by default: report and underline on stderr).
void ReportError(std::string_view message, int code = 0, std::string_view function = {});

// Receives every composed report. Installing an empty function restores the stderr default.
using ErrorReportSink = std::function<void(const std::string& report)>;
// Replaces the sink and returns the previous one (empty when the default was in place).
ErrorReportSink SetErrorReportSink(ErrorReportSink sink);

}  // namespace engine

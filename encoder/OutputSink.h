#pragma once
// Where the writer's bytes go: a file (replaced only when complete) or memory.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace encoder {

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // Appends bytes; throws EncoderError (code 0) with the system's message when they cannot be stored.
  virtual void write(std::span<const std::uint8_t> bytes) = 0;
};

class MemorySink final : public OutputSink {
 public:
  void write(std::span<const std::uint8_t> bytes) override;
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Writes to a temporary file beside `path`; commit() renames it over `path`. Destroying the sink without
// commit() removes the temporary file, so a failed save never damages an existing file of that name.
// A replaced file keeps its permissions, and a symbolic link keeps pointing where it did.
class AtomicFileSink final : public OutputSink {
 public:
  explicit AtomicFileSink(std::string path);  // throws EncoderError when the file cannot be created
  ~AtomicFileSink() override;
  AtomicFileSink(const AtomicFileSink&) = delete;
  AtomicFileSink& operator=(const AtomicFileSink&) = delete;

  void write(std::span<const std::uint8_t> bytes) override;
  void commit();  // throws EncoderError when the data cannot be flushed or the rename fails

 private:
  std::string path_;      // as the caller named it, for messages
  std::string target_;    // the file replaced: path_, or where the symbolic link path_ points
  std::string tempPath_;
  std::FILE* file_ = nullptr;
};

// The system's message for errno `err` about `path`, as a failed file command reports it.
std::string fileErrorText(const char* what, const std::string& path, int err);

}  // namespace encoder

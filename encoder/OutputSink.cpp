#include "encoder/OutputSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "encoder/EncoderError.h"

namespace encoder {

std::string fileErrorText(const char* what, const std::string& path, int err) {
  return std::string(what) + " '" + path + "': " + std::strerror(err);
}

void MemorySink::write(std::span<const std::uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }

namespace {
// The directory part of a path, keeping its trailing slash ("" for a bare file name).
std::string directoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
}  // namespace

AtomicFileSink::AtomicFileSink(std::string path) : path_(std::move(path)), target_(path_) {
  if (path_.empty()) throw EncoderError(fileErrorText("cannot create file", path_, ENOENT), 0);
  // Saving through a symbolic link replaces the file it points to and keeps the link.
  struct stat st {};
  if (::lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path_.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
  }
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw EncoderError(fileErrorText("cannot create file", path_, EISDIR), 0);
  tempPath_ = directoryOf(target_) + ".morogif-XXXXXX";
  const int fd = ::mkstemp(tempPath_.data());
  if (fd < 0) throw EncoderError(fileErrorText("cannot create file", path_, errno), 0);
  // mkstemp makes the file private: a replaced file keeps its permissions, a new one gets the mode a
  // newly created file would have.
  mode_t mode = st.st_mode & 07777;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int err = errno;
    ::close(fd);
    ::unlink(tempPath_.c_str());
    throw EncoderError(fileErrorText("cannot create file", path_, err), 0);
  }
}

AtomicFileSink::~AtomicFileSink() {
  if (file_) {
    std::fclose(file_);
    ::unlink(tempPath_.c_str());
  }
}

void AtomicFileSink::write(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
    throw EncoderError(fileErrorText("cannot write file", path_, errno), 0);
}

void AtomicFileSink::commit() {
  std::FILE* f = file_;
  file_ = nullptr;
  const bool flushed = std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
  const int flushErr = errno;
  const bool closed = std::fclose(f) == 0;
  if (!flushed || !closed) {
    ::unlink(tempPath_.c_str());
    throw EncoderError(fileErrorText("cannot write file", path_, flushed ? errno : flushErr), 0);
  }
  if (::rename(tempPath_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    ::unlink(tempPath_.c_str());
    throw EncoderError(fileErrorText("cannot replace file", path_, err), 0);
  }
}

}  // namespace encoder

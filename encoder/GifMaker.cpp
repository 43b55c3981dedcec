#include "encoder/GifMaker.h"

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <limits>
#include <new>

#include "encoder/ColorReducer.h"
#include "encoder/EncoderError.h"
#include "encoder/GifWriter.h"
#include "gfx/ImageCodec.h"

namespace encoder {

namespace {

// Texts are NUL-terminated in the records' original form: a comment ends at its first NUL and keeps at
// most 255 bytes.
std::string storedComment(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  return std::string(text.substr(0, FrameRecord::kMaxComment));
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
  // A directory opens as a stream and reports a huge size; refuse it with the system's own message.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    throw EncoderError(fileErrorText("cannot read file", path, EISDIR), 0);
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw EncoderError(fileErrorText("cannot open file", path, errno), 0);
  const std::streamoff size = in.tellg();
  if (size < 0) throw EncoderError(fileErrorText("cannot read file", path, errno), 0);
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    throw EncoderError(errors::kFileMemory);
  }
  in.seekg(0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
    throw EncoderError(fileErrorText("cannot read file", path, errno), 0);
  return bytes;
}

}  // namespace

struct MakerState {
  std::string error;
  Animation animation;

  // Back to a fresh object's settings; the interlace flag and the error text stay.
  void reset() {
    animation.images.clear();
    animation.records.clear();
    animation.width = 0;
    animation.height = 0;
    animation.loop = true;
    animation.loopCount = 0;
    animation.comment.clear();
  }
};

GifMaker::GifMaker() = default;
GifMaker::~GifMaker() = default;
GifMaker::GifMaker(GifMaker&&) noexcept = default;
GifMaker& GifMaker::operator=(GifMaker&&) noexcept = default;

bool GifMaker::Create(const AnimationInfo& info) {
  if (state_)
    state_->reset();
  else
    state_ = std::make_unique<MakerState>();
  Animation& a = state_->animation;
  a.width = info.Width;
  a.height = info.Depth;
  a.loop = info.LOOP;
  a.loopCount = info.LoopCount;
  a.comment = storedComment(info.exposition);
  a.interlace = info.Interlace;
  return true;
}

void GifMaker::Clear() { state_.reset(); }

void GifMaker::Reset() {
  if (state_) state_->reset();
}

bool GifMaker::AddFrame(const FrameInfo& frame, std::optional<std::string_view> path,
                        std::optional<std::span<const std::uint8_t>> bytes) {
  if (!state_) return false;
  MakerState& s = *state_;
  if (!path && !bytes) {
    s.error = errors::kNoSource;
    return false;
  }
  // The path wins when both are given, so only bytes that will be decoded are checked.
  constexpr std::size_t kMinPictureBytes = 54;
  if (!path && bytes->size() < kMinPictureBytes) {
    s.error = errors::kInvalidPicture;
    return false;
  }
  s.error.clear();

  try {
    gfx::DecodeResult decoded;
    if (path) {
      const std::vector<std::uint8_t> file = readWholeFile(std::string(*path));
      decoded = gfx::decodeImage(file);
    } else {
      decoded = gfx::decodeImage(*bytes);
    }
    constexpr int kMaxSide = std::numeric_limits<std::uint16_t>::max();
    if (!decoded.ok() || decoded.bitmap.width() > kMaxSide || decoded.bitmap.height() > kMaxSide)
      throw EncoderError(errors::kDecodeFailed);

    FrameImage image;
    try {
      image = frame.Dither ? ColorReducer::reduceByDither(decoded.bitmap)
                           : ColorReducer::reduceByPopularity(decoded.bitmap);
    } catch (const std::bad_alloc&) {
      throw EncoderError(errors::kBitmapMemory);
    }

    FrameRecord record{frame.DelayTime, frame.Left, frame.Top, frame.DisposalMethod,
                       frame.Transparency ? 1u : 0u, storedComment(frame.exposition)};
    Animation& a = s.animation;
    try {
      a.records.reserve(a.records.size() + 1);
      a.images.reserve(a.images.size() + 1);
    } catch (const std::bad_alloc&) {
      throw EncoderError(errors::kRecordMemory);
    }
    a.records.push_back(std::move(record));
    a.images.push_back(std::move(image));
    if (a.images.size() == 1) {
      if (a.width == 0) a.width = static_cast<std::uint16_t>(a.images.front().width());
      if (a.height == 0) a.height = static_cast<std::uint16_t>(a.images.front().height());
    }
    return true;
  } catch (const EncoderError& e) {
    s.error = errorTextOf(e);
  } catch (const std::bad_alloc&) {
    s.error = errors::kBitmapMemory;
  } catch (const std::exception& e) {
    s.error = errorTextOf(e);
  } catch (...) {
    s.error = errors::kUnknown;
  }
  return false;
}

bool GifMaker::SaveGif(std::string_view path) {
  if (!state_) return false;
  MakerState& s = *state_;
  if (s.animation.images.empty()) {
    s.error = errors::kNoFrames;
    return false;
  }
  s.error.clear();
  try {
    AtomicFileSink sink{std::string(path)};
    GifWriter::write(s.animation, sink);
    sink.commit();
    return true;
  } catch (const std::exception& e) {
    s.error = errorTextOf(e);
  } catch (...) {
    s.error = errors::kUnknown;
  }
  return false;
}

std::vector<std::uint8_t> GifMaker::encodeToMemory() {
  if (!state_ || state_->animation.images.empty()) return {};
  MemorySink sink;
  GifWriter::write(state_->animation, sink);
  return std::move(sink.bytes());
}

std::string GifMaker::GetError() const { return state_ ? state_->error : std::string(errors::kNotCreated); }

std::uint32_t GifMaker::frameCount() const {
  return state_ ? static_cast<std::uint32_t>(state_->animation.images.size()) : 0;
}
std::uint16_t GifMaker::width() const { return state_ ? state_->animation.width : 0; }
std::uint16_t GifMaker::height() const { return state_ ? state_->animation.height : 0; }

}  // namespace encoder

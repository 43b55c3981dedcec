#include "encoder/GifWriter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "encoder/GiflibDecode.h"

namespace encoder {
namespace {

using Bytes = std::vector<std::uint8_t>;

FrameImage image(int w, int h, std::uint8_t index = 0) {
  FrameImage f(w, h);
  for (int y = 0; y < h; ++y) std::fill_n(f.row(y), w, index);
  for (int i = 0; i < 256; ++i) f.setPaletteEntry(i, {std::uint8_t(i), std::uint8_t(255 - i), 7});
  return f;
}

Animation animation(int frames, bool loop = true) {
  Animation a;
  a.width = 2;
  a.height = 2;
  a.loop = loop;
  for (int i = 0; i < frames; ++i) {
    a.images.push_back(image(2, 2));
    a.records.emplace_back();
  }
  return a;
}

Bytes write(const Animation& a) {
  MemorySink sink;
  GifWriter::write(a, sink);
  return std::move(sink.bytes());
}

bool contains(const Bytes& hay, const Bytes& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}
std::size_t find(const Bytes& hay, const Bytes& needle, std::size_t from = 0) {
  const auto it = std::search(hay.begin() + std::ptrdiff_t(from), hay.end(), needle.begin(), needle.end());
  return it == hay.end() ? std::string::npos : std::size_t(it - hay.begin());
}

const Bytes kLoopExtension = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01};

TEST(GifWriter, OneFrameLayout) {
  Animation a = animation(1);
  a.records[0] = {30, 10, 20, 2, 1, "dropped"};
  const Bytes gif = write(a);

  const Bytes head = {'G', 'I', 'F', '8', '9', 'a', 0x02, 0x00, 0x02, 0x00, 0xF7, 0x00, 0x00};
  ASSERT_GT(gif.size(), 13u + 768 + 10);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), gif.begin()));
  EXPECT_EQ(gif[13], 0);  // entry 0 red
  EXPECT_EQ(gif[14], 255);
  EXPECT_EQ(gif[15], 7);
  EXPECT_EQ(gif[13 + 3 * 255], 255);
  const Bytes descriptor = {0x2C, 0, 0, 0, 0, 0x02, 0x00, 0x02, 0x00, 0x07};
  EXPECT_TRUE(std::equal(descriptor.begin(), descriptor.end(), gif.begin() + 13 + 768));
  EXPECT_EQ(gif[13 + 768 + 10], 0x08);  // minimum code size
  EXPECT_EQ(gif[gif.size() - 2], 0x00);
  EXPECT_EQ(gif.back(), 0x3B);
  // No extension of any kind in a still picture: its delay, position and comment are dropped.
  EXPECT_FALSE(contains(gif, {0x21, 0xF9}));
  EXPECT_FALSE(contains(gif, kLoopExtension));
  EXPECT_FALSE(contains(gif, {'d', 'r', 'o', 'p'}));
}

TEST(GifWriter, InterlacedFlagsInBothForms) {
  Animation one = animation(1), two = animation(2);
  one.interlace = two.interlace = true;
  EXPECT_EQ(write(one)[13 + 768 + 9], 0x47);
  const Bytes gif = write(two);
  const std::size_t first = find(gif, {0x2C, 0, 0, 0, 0, 2, 0, 2, 0});
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(gif[first + 9], 0xC7);
}

TEST(GifWriter, LoopExtensionOnlyWhenLooping) {
  Animation looping = animation(2);
  looping.loopCount = 0x0102;
  const Bytes withLoop = write(looping);
  const std::size_t at = find(withLoop, kLoopExtension);
  EXPECT_EQ(at, 13u + 768);
  EXPECT_EQ(withLoop[at + 16], 0x02);
  EXPECT_EQ(withLoop[at + 17], 0x01);
  EXPECT_EQ(withLoop[at + 18], 0x00);
  EXPECT_EQ(withLoop[at + 19], 0x21);  // the first frame's graphic control extension follows
  EXPECT_EQ(withLoop[at + 20], 0xF9);

  EXPECT_FALSE(contains(write(animation(2, false)), {0x21, 0xFF}));
}

TEST(GifWriter, GraphicControlCommentAndPosition) {
  Animation a = animation(2);
  a.records[0] = {30, 10, 20, 2, 1, "ab"};
  a.records[1] = {5, 0, 0, 9, 0, ""};  // disposal keeps its low 3 bits only
  const Bytes gif = write(a);
  const Bytes frame1 = {0x21, 0xF9, 0x04, 0x09, 0x1E, 0x00, 0x00, 0x00, 0x21, 0xFE, 0x02, 'a', 'b', 0x00,
                        0x2C, 10,   0,    20,   0,    2,    0,    2,    0,    0x87};
  EXPECT_TRUE(contains(gif, frame1));
  const Bytes frame2 = {0x21, 0xF9, 0x04, 0x04, 0x05, 0x00, 0x00, 0x00, 0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x87};
  EXPECT_TRUE(contains(gif, frame2));
}

TEST(GifWriter, AnimationCommentIsCutAndWrittenLast) {
  Animation a = animation(2);
  a.comment = std::string(300, 'c');
  const Bytes gif = write(a);
  Bytes tail = {0x21, 0xFE, 0xFF};
  tail.insert(tail.end(), 255, 'c');
  tail.push_back(0x00);
  tail.push_back(0x3B);
  ASSERT_GE(gif.size(), tail.size());
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), gif.end() - std::ptrdiff_t(tail.size())));
}

TEST(GifWriter, GiflibReadsEveryFrame) {
  Animation a;
  a.width = 40;
  a.height = 30;
  for (int i = 0; i < 3; ++i) {
    a.images.push_back(image(10 + i, 5 + i, std::uint8_t(i + 1)));
    a.records.push_back({std::uint16_t(10 * i), std::uint16_t(i), std::uint16_t(2 * i), 1, 0, "f"});
  }
  a.comment = "whole";
  const auto gif = testing_gif::decodeWithGiflib(write(a));
  ASSERT_TRUE(gif.ok) << gif.error;
  EXPECT_EQ(gif.width, 40);
  EXPECT_EQ(gif.height, 30);
  ASSERT_EQ(gif.frames.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const auto& f = gif.frames[std::size_t(i)];
    EXPECT_EQ(f.left, i);
    EXPECT_EQ(f.top, 2 * i);
    EXPECT_EQ(f.width, 10 + i);
    EXPECT_EQ(f.height, 5 + i);
    EXPECT_EQ(f.palette.size(), 768u);
    EXPECT_TRUE(std::all_of(f.indices.begin(), f.indices.end(), [i](auto v) { return v == i + 1; }));
  }
}

}  // namespace
}  // namespace encoder

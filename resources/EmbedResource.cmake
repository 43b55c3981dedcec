# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedResource.cmake
# Writes a C++ source holding the bytes of INPUT as resources::embedded::SYMBOL (+ SYMBOL_size).
if(NOT INPUT OR NOT OUTPUT OR NOT SYMBOL)
  message(FATAL_ERROR "EmbedResource.cmake needs INPUT, OUTPUT and SYMBOL")
endif()
file(READ "${INPUT}" hex HEX)
file(SIZE "${INPUT}" size)
# 16 bytes (32 hex digits) per line, each byte as 0xNN.
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.
#include <cstddef>
#include <cstdint>

namespace resources::embedded {
extern const std::uint8_t ${SYMBOL}[];
extern const std::size_t ${SYMBOL}_size;
// One extra zero byte keeps the array non-empty for an empty file; it is not counted in the size.
alignas(16) const std::uint8_t ${SYMBOL}[] = {
${bytes}0x00};
const std::size_t ${SYMBOL}_size = ${size};
}  // namespace resources::embedded
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")

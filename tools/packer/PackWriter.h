#pragma once
// Writing theme packs and their containers: the inverse of what the engine's pack reader does.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/theme/PackContainer.h"

namespace packer {

// The unpacked pack: u32 XML length, XML bytes, u32 image length, the PNG without its signature.
// Fails (with a reason in `error`) when the XML is empty or the picture is not a PNG file.
std::optional<std::vector<std::uint8_t>> BuildPack(std::span<const std::uint8_t> xml, std::span<const std::uint8_t> png,
                                                   std::string* error = nullptr);

// Scrambles pack bytes so that reading with the same password gives them back; an empty password
// leaves them as they are.
void ScramblePack(std::vector<std::uint8_t>& pack, std::string_view password);

// Wraps bytes in a container of the given kind: ignored byte 0, filler length, filler, magic,
// NOT(length) and the zlib stream (best compression).
std::vector<std::uint8_t> PackContainer(std::span<const std::uint8_t> unpacked, engine::ContainerKind kind,
                                        std::span<const std::uint8_t> filler = {});

// The filler this packer writes: its own name, which readers skip.
std::span<const std::uint8_t> DefaultFiller();

}  // namespace packer

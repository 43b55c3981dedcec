// morogif_packer: builds a theme pack container from an XML description and a PNG skin image.
//   morogif_packer --xml theme.xml --image skin.png [--password text] --output theme.pack
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/packer/PackWriter.h"

namespace {

constexpr int kUsageError = 2;

std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

int Usage() {
  std::fprintf(stderr, "usage: morogif_packer --xml FILE --image FILE.png [--password TEXT] --output FILE\n");
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  std::string xmlPath, imagePath, outputPath, password;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (arg == "--xml") xmlPath = value;
    else if (arg == "--image") imagePath = value;
    else if (arg == "--output") outputPath = value;
    else if (arg == "--password") password = value;
    else return Usage();
  }
  if (xmlPath.empty() || imagePath.empty() || outputPath.empty()) return Usage();

  const auto xml = ReadFile(xmlPath);
  if (!xml) {
    std::fprintf(stderr, "morogif_packer: cannot read %s\n", xmlPath.c_str());
    return 1;
  }
  const auto png = ReadFile(imagePath);
  if (!png) {
    std::fprintf(stderr, "morogif_packer: cannot read %s\n", imagePath.c_str());
    return 1;
  }
  std::string error;
  std::optional<std::vector<std::uint8_t>> pack = packer::BuildPack(*xml, *png, &error);
  if (!pack) {
    std::fprintf(stderr, "morogif_packer: %s\n", error.c_str());
    return 1;
  }
  packer::ScramblePack(*pack, password);
  const std::vector<std::uint8_t> container =
      packer::PackContainer(*pack, engine::ContainerKind::ThemePack, packer::DefaultFiller());
  if (container.empty() || !WriteFile(outputPath, container)) {
    std::fprintf(stderr, "morogif_packer: cannot write %s\n", outputPath.c_str());
    return 1;
  }
  return 0;
}

// morogif_skin_generator: paints the default theme's skin image from its description.
//   morogif_skin_generator --xml resources/theme/default_theme.xml --output resources/theme/default_skin.png
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/xml/XmlDocument.h"
#include "gfx/ImageCodec.h"
#include "tools/skin_generator/SkinPainter.h"

int main(int argc, char** argv) {
  std::string xmlPath, outputPath;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view arg = argv[i];
    if (arg == "--xml") xmlPath = argv[i + 1];
    else if (arg == "--output") outputPath = argv[i + 1];
  }
  if (xmlPath.empty() || outputPath.empty() || argc % 2 == 0) {
    std::fprintf(stderr, "usage: morogif_skin_generator --xml FILE --output FILE.png\n");
    return 2;
  }
  engine::XmlDocument description;
  if (!description.LoadFile(xmlPath)) {
    std::fprintf(stderr, "morogif_skin_generator: %s\n", description.LastError().c_str());
    return 1;
  }
  std::string error;
  const gfx::Bitmap skin = skin::SkinPainter(description).Paint(&error);
  if (skin.empty()) {
    std::fprintf(stderr, "morogif_skin_generator: %s\n", error.c_str());
    return 1;
  }
  const std::vector<std::uint8_t> png = gfx::encodePng(skin);
  std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  out.close();
  if (png.empty() || !out) {
    std::fprintf(stderr, "morogif_skin_generator: cannot write %s\n", outputPath.c_str());
    return 1;
  }
  return 0;
}

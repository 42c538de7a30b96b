// Any bytes as the spectrogram's palette file. Whatever the file, the palette has 256 opaque colours, the entries
// the file did not give are the built-in ones, and the colours it gave, written out again, read back the same.
#include <cstdint>
#include <string>

#include "fuzz_files.h"
#include "drawing/page_pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = ossel::fuzz::ScratchFolder() + "/spectrum.pal";
  static const ossel::Palette builtIn = ossel::DefaultPalette();
  ossel::fuzz::WriteFile(path, data, size);
  const ossel::Palette palette = ossel::LoadPaletteFile(path);
  OSSEL_FUZZ_CHECK(palette.count >= 0 && palette.count <= 256);
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t colour = palette.entries[static_cast<std::size_t>(i)];
    OSSEL_FUZZ_CHECK(colour >> 24 == 0xFF);
    if (i >= palette.count) OSSEL_FUZZ_CHECK(colour == builtIn.entries[static_cast<std::size_t>(i)]);
  }
  if (palette.count == 0) return 0;

  std::string text;
  for (int i = 0; i < palette.count; ++i) {
    const std::uint32_t c = palette.entries[static_cast<std::size_t>(i)];
    if (i > 0) text += '\n';
    text += std::to_string(c >> 16 & 0xFF) + ' ' + std::to_string(c >> 8 & 0xFF) + ' ' + std::to_string(c & 0xFF);
  }
  ossel::fuzz::WriteFile(path, text);
  const ossel::Palette again = ossel::LoadPaletteFile(path);
  OSSEL_FUZZ_CHECK(again.count == palette.count && again.entries == palette.entries);
  return 0;
}

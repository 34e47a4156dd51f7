#include "SampleCatalogue.h"

#include <cstdio>

#include "launcher/CatalogueFile.h"
#include "launcher/CatalogueModel.h"

namespace carrydeck::bench {

namespace {
const char* const kTypes[] = {"Application", "Editors", "Games", "Graphics", "Internet", "Tools", "Utilities"};
}  // namespace

std::vector<CatalogEntry> SampleCatalogue(size_t count) {
  std::vector<CatalogEntry> entries(count);
  char buffer[160];
  for (size_t i = 0; i < count; ++i) {
    const unsigned n = static_cast<unsigned>(i + 1);
    CatalogEntry& e = entries[i];
    std::snprintf(buffer, sizeof buffer, "Portable tool %05u", n);
    e.fields[0] = buffer;
    e.fields[1] = kTypes[i % (sizeof kTypes / sizeof kTypes[0])];
    std::snprintf(buffer, sizeof buffer, "E:\\PortableApps\\Tool%05u\\Tool%05uPortable.exe", n, n);
    e.fields[2] = buffer;
    if (i % 3 == 0) {
      std::snprintf(buffer, sizeof buffer, "/open \"%%drive%%\\Documents\\notes%05u.txt\"", n);
      e.fields[3] = buffer;
    }
  }
  return entries;
}

std::string SampleDataFile(size_t count) {
  CatalogueModel catalogue;
  catalogue.Append(SampleCatalogue(count));
  return FormatRecords(catalogue, 4);
}

std::vector<IconImage> SampleIcons(size_t count) {
  std::vector<IconImage> pictures(5);
  for (size_t p = 0; p < pictures.size(); ++p)
    for (size_t i = 0; i < kIconPixels; ++i) {
      const uint32_t x = static_cast<uint32_t>(i % kIconSize), y = static_cast<uint32_t>(i / kIconSize);
      // A framed square of its own colour; the corners stay transparent.
      const bool corner = (x == 0 || x == 15) && (y == 0 || y == 15);
      const uint32_t rgb = (x == 0 || x == 15 || y == 0 || y == 15) ? 0x202020u : 0x3060C0u + 0x305000u * p;
      pictures[p].pixels[i] = corner ? 0 : (0xFF000000u | (rgb & 0xFFFFFFu));
    }
  std::vector<IconImage> icons(count);
  for (size_t i = 0; i < count; ++i) icons[i] = pictures[i % pictures.size()];
  return icons;
}

}  // namespace carrydeck::bench

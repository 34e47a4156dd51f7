// Catalogues and icon caches of a given size for the benchmarks: entries shaped like a
// real stick's, every one distinct, so nothing is shared or cached by accident.
#pragma once

#include <string>
#include <vector>

#include "launcher/Catalogue.h"
#include "launcher/IconPorts.h"

namespace carrydeck::bench {

// The most entries a catalogue holds.
constexpr size_t kMaxEntries = 32767;

std::vector<CatalogEntry> SampleCatalogue(size_t count);
// The bytes of "Data.dat" for those entries, as the launcher writes them.
std::string SampleDataFile(size_t count);
// One 16 x 16 image per entry, a handful of different pictures.
std::vector<IconImage> SampleIcons(size_t count);

}  // namespace carrydeck::bench

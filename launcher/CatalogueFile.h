// The catalogue file "Data.dat": four lines per entry, CR LF, in display order.
#pragma once

#include <string>
#include <vector>

#include "common/SafeSave.h"
#include "common/SystemPorts.h"
#include "common/TextCodec.h"
#include "launcher/Catalogue.h"
#include "launcher/Messages.h"

namespace carrydeck {

class CatalogueModel;

struct LoadResult {
  size_t count = 0;
  bool readFailed = false;  // the file exists but could not be read
};

// A record is as many lines as the list has columns (`fieldsPerRecord`, at most four are
// kept): with no columns set up there is nothing to read or write by, which is reported.

// Appends the file's records to the catalogue; a short last record is filled with empty
// fields. The text is read in the encoding the file says (`form`).
LoadResult LoadList(const std::string& path, int fieldsPerRecord, CatalogueModel& catalogue, IFileSystem& fs,
                    IMessages& messages, TextForm* form = nullptr);

// Writes every row in the order shown, replacing the file only once the new one is
// complete; a failure keeps the old file.
// The file stays in the ANSI code page while every field fits it, else it is UTF-8 (`form`).
SaveResult SaveList(const std::string& path, int fieldsPerRecord, const CatalogueModel& catalogue, IFileSystem& fs,
                    IMessages& messages, TextForm* form = nullptr);

// The bytes SaveList writes, and the records LoadList reads, for a given field count.
std::string FormatRecords(const CatalogueModel& catalogue, int fieldsPerRecord);
std::vector<CatalogEntry> ParseRecords(const std::string& bytes, int fieldsPerRecord);
// The same records, kept as the file's own bytes with the place of every field.
PackedRows PackRecords(std::string bytes, int fieldsPerRecord);

}  // namespace carrydeck

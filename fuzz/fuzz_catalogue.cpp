// "Data.dat": any bytes load without loss, and what is saved loads back as the same rows; a
// file read as ANSI (code page 1252) or as UTF-8 after the mark is written back the same way.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Fakes.h"
#include "FuzzCheck.h"
#include "common/SafeSave.h"
#include "common/TextCodec.h"
#include "common/TextLines.h"
#include "launcher/CatalogueFile.h"
#include "launcher/CatalogueModel.h"

using namespace carrydeck;

namespace {

const char kData[] = "E:\\Data.dat";

// How the lines of the file fall into records of `fields` lines, a short last one filled
// with empty fields.
void CheckRecordsAreTheLines(const std::vector<CatalogEntry>& records, const std::vector<std::string>& lines,
                             size_t fields) {
  FUZZ_CHECK(records.size() == (lines.size() + fields - 1) / fields);
  for (size_t i = 0; i < records.size(); ++i)
    for (size_t j = 0; j < records[i].fields.size(); ++j) {
      const size_t line = i * fields + j;
      const std::string expected = j < fields && line < lines.size() ? lines[line] : std::string();
      FUZZ_CHECK(records[i].fields[j] == expected);
      FUZZ_CHECK(records[i].fields[j].find('\r') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // The record split agrees with the line rule for every record length the list can have.
  for (size_t fields = 1; fields <= 4; ++fields)
    CheckRecordsAreTheLines(ParseRecords(bytes, static_cast<int>(fields)), SplitLines(bytes), fields);

  testing::CodePage1252 cp;
  TextForm read{&cp};
  const std::vector<std::string> lines = SplitLines(DecodeTextFile(bytes, &read));

  // The whole load and save, as the main window runs them.
  testing::MemoryFileSystem fs;
  testing::FakeMainView messages;
  // As many fields a record as the list has columns: four.
  constexpr int kColumns = 4;
  CatalogueModel catalogue;
  fs.files[kData] = bytes;
  TextForm form{&cp};
  const LoadResult loaded = LoadList(kData, kColumns, catalogue, fs, messages, &form);
  FUZZ_CHECK(form.encoding == read.encoding);
  FUZZ_CHECK(form.invalid == read.invalid);
  FUZZ_CHECK(!loaded.readFailed);
  FUZZ_CHECK(loaded.count == (lines.size() + 3) / 4);
  FUZZ_CHECK(catalogue.Count() == loaded.count);

  std::vector<CatalogEntry> rows;
  for (size_t i = 0; i < catalogue.Count(); ++i) rows.push_back(catalogue.Entry(i));

  FUZZ_CHECK(SaveList(kData, kColumns, catalogue, fs, messages, &form));
  FUZZ_CHECK(messages.messages.empty());
  FUZZ_CHECK(form.encoding == read.encoding);  // every 1252 text is 1252 again, UTF-8 stays
  FUZZ_CHECK(fs.files.size() == 1);  // no temporary file left beside it
  // Every line comes back, each with CR LF, the short last record padded with empty lines.
  std::vector<std::string> padded = lines;
  padded.resize(loaded.count * 4);
  const std::string saved = fs.files[kData];
  FUZZ_CHECK(saved == (read.encoding == TextEncoding::Utf8 ? std::string(kUtf8Mark) : "") + [&] {
    std::string text = JoinLines(padded);
    return read.encoding == TextEncoding::Utf8 ? text : *cp.FromUtf8(text);
  }());

  // The saved file is stable: it loads as the same rows and saves as the same bytes.
  CatalogueModel again;
  TextForm againForm{&cp};
  FUZZ_CHECK(LoadList(kData, kColumns, again, fs, messages, &againForm).count == rows.size());
  FUZZ_CHECK(againForm.invalid == 0);
  for (size_t i = 0; i < again.Count(); ++i) FUZZ_CHECK(again.Entry(i) == rows[i]);
  FUZZ_CHECK(SaveList(kData, kColumns, again, fs, messages, &againForm));
  FUZZ_CHECK(fs.files[kData] == saved);
  return 0;
}

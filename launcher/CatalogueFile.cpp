#include "launcher/CatalogueFile.h"

#include <algorithm>
#include <utility>

#include "common/SafeSave.h"
#include "common/TextLines.h"
#include "launcher/CatalogueModel.h"

namespace carrydeck {

namespace {

int FieldsOf(int columns) {
  return std::min(columns, static_cast<int>(std::tuple_size<decltype(CatalogEntry::fields)>::value));
}

}  // namespace

PackedRows PackRecords(std::string bytes, int fieldsPerRecord) {
  PackedRows packed;
  if (fieldsPerRecord <= 0) return packed;
  packed.fieldsPerRecord = fieldsPerRecord;
  packed.ends = LineEnds(bytes);
  // A short last record gets empty fields.
  const size_t perRecord = static_cast<size_t>(fieldsPerRecord);
  packed.ends.resize((packed.ends.size() + perRecord - 1) / perRecord * perRecord, bytes.size());
  packed.text = std::move(bytes);
  return packed;
}

std::vector<CatalogEntry> ParseRecords(const std::string& bytes, int fieldsPerRecord) {
  return PackRecords(bytes, fieldsPerRecord).Unpack();
}

std::string FormatRecords(const CatalogueModel& catalogue, int fieldsPerRecord) {
  const size_t rows = catalogue.Count();
  size_t total = 0;
  for (size_t i = 0; i < rows; ++i)
    for (int j = 0; j < fieldsPerRecord; ++j) total += catalogue.Field(i, j).size() + 2;
  std::string out;
  out.reserve(total);
  for (size_t i = 0; i < rows; ++i)
    for (int j = 0; j < fieldsPerRecord; ++j) {
      out += catalogue.Field(i, j);
      out += "\r\n";
    }
  return out;
}

LoadResult LoadList(const std::string& path, int fieldsPerRecord, CatalogueModel& catalogue, IFileSystem& fs,
                    IMessages& messages, TextForm* form) {
  LoadResult result;
  const int fields = FieldsOf(fieldsPerRecord);
  if (fields <= 0) {
    messages.MsgBox("Error app data: ", mb::OK | mb::IconStop, kProgramTitle);
    return result;
  }
  std::string bytes;
  if (!fs.ReadAll(path, bytes)) {
    result.readFailed = true;
    messages.MsgBox("Error app data: " + fs.LastErrorDescription(), mb::OK | mb::IconStop, kProgramTitle);
    return result;
  }
  // The file's bytes become the entries' text: no copy per field.
  PackedRows records = PackRecords(DecodeTextFile(std::move(bytes), form), fields);
  result.count = records.Count();
  catalogue.Append(std::move(records));
  return result;
}

SaveResult SaveList(const std::string& path, int fieldsPerRecord, const CatalogueModel& catalogue, IFileSystem& fs,
                    IMessages& messages, TextForm* form) {
  const int fields = FieldsOf(fieldsPerRecord);
  if (fields <= 0) {
    messages.MsgBox("Error saving list : ", mb::OK | mb::IconStop, kProgramTitle);
    return {SaveStep::Create, std::string()};  // nothing was written
  }
  // Failures from here on bring no box: the old file stays whole and the rows are untouched.
  // The encoding changes only with a file written in it.
  TextForm next = form ? *form : TextForm();
  SaveResult saved = SaveFileSafely(fs, path, EncodeTextFile(FormatRecords(catalogue, fields), &next));
  if (saved && form) form->encoding = next.encoding;
  return saved;
}

}  // namespace carrydeck

#include "ModReg.h"

#include <algorithm>

#include "LineFile.h"
#include "SafeSave.h"

namespace carrydeck {

namespace {

int FieldsOf(const IListView& list) {
  return std::min(list.ColumnCount(), static_cast<int>(std::tuple_size<decltype(CatalogEntry::fields)>::value));
}

}  // namespace

std::vector<CatalogEntry> ParseRecords(const std::string& bytes, int fieldsPerRecord) {
  std::vector<CatalogEntry> records;
  if (fieldsPerRecord <= 0) return records;
  const size_t perRecord = static_cast<size_t>(fieldsPerRecord);
  // Split in place rather than through a line vector: a large catalogue is one pass.
  size_t start = 0, field = 0;
  const size_t n = bytes.size();
  auto take = [&](size_t end) {
    if (field == 0) records.emplace_back();
    records.back().fields[field].assign(bytes, start, end - start);
    field = (field + 1) % perRecord;
  };
  for (size_t i = 0; i < n; ++i) {
    if (bytes[i] != '\r') continue;
    take(i);
    if (i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) take(n);
  return records;
}

std::string FormatRecords(const IListView& list, int fieldsPerRecord) {
  std::string out;
  size_t total = 0;
  const size_t rows = list.RowCount();
  for (size_t i = 1; i <= rows; ++i)
    for (int j = 0; j < fieldsPerRecord; ++j) total += list.Row(i).fields[j].size() + 2;
  out.reserve(total);
  for (size_t i = 1; i <= rows; ++i)
    for (int j = 0; j < fieldsPerRecord; ++j) AppendLine(out, list.Row(i).fields[j]);
  return out;
}

LoadResult LoadList(const std::string& path, IListView& list, IFileSystem& fs, IMessages& messages) {
  LoadResult result;
  const int fields = FieldsOf(list);
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
  std::vector<CatalogEntry> records = ParseRecords(bytes, fields);
  result.count = records.size();
  list.AddRows(std::move(records));
  return result;
}

bool SaveList(const std::string& path, const IListView& list, IFileSystem& fs, IMessages& messages) {
  const int fields = FieldsOf(list);
  if (fields <= 0) {
    messages.MsgBox("Error saving list : ", mb::OK | mb::IconStop, kProgramTitle);
    return false;
  }
  // Failures from here on are silent: the old file stays whole and the rows are untouched.
  return SaveFileSafely(fs, path, FormatRecords(list, fields)).ok();
}

}  // namespace carrydeck

#include "launcher/TypesFile.h"

#include <utility>

#include "common/Paths.h"
#include "common/SafeSave.h"
#include "common/TextLines.h"

namespace carrydeck {

bool LoadComboFromFile(IFileSystem& fs, const std::string& path, IItemList& combo, TextForm* form) {
  std::string bytes;
  if (!fs.ReadAll(path, bytes)) return false;
  for (const std::string& line : SplitLines(DecodeTextFile(std::move(bytes), form))) combo.AddItem(line);
  return true;
}

SaveResult SaveComboToFile(IFileSystem& fs, const std::string& path, const IItemList& combo, TextForm* form) {
  std::string text;
  const int n = combo.ListCount();
  for (int i = 0; i < n; ++i) AppendLine(text, combo.List(i));
  TextForm next = form ? *form : TextForm();
  SaveResult saved = SaveFileSafely(fs, path, EncodeTextFile(text, &next));
  if (saved && form) form->encoding = next.encoding;
  return saved;
}

int FindListIndex(const IItemList& list, const std::string& text) {
  const std::string wanted = ToLowerAscii(text);
  int found = -1;
  const int n = list.ListCount();
  for (int i = 0; i < n; ++i)
    if (ToLowerAscii(list.List(i)) == wanted) found = i;
  return found;
}

}  // namespace carrydeck

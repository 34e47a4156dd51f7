// Helpers of the catalogue editing: the types list "Types.dat" and the list helpers of the
// Add/Edit dialog.
#pragma once

#include <string>
#include <vector>

#include "common/SafeSave.h"
#include "common/SystemPorts.h"
#include "common/TextCodec.h"

namespace carrydeck {

// What the routines below need from a list control: add, count, item by index.
class IItemList {
 public:
  virtual ~IItemList() = default;
  virtual void AddItem(const std::string& text) = 0;
  virtual int ListCount() const = 0;
  virtual std::string List(int index) const = 0;
};

// Items kept as given, byte for byte: a control may show less of an item than it holds.
class ItemList : public IItemList {
 public:
  void AddItem(const std::string& text) override { items_.push_back(text); }
  int ListCount() const override { return static_cast<int>(items_.size()); }
  std::string List(int index) const override {
    return index >= 0 && index < ListCount() ? items_[static_cast<size_t>(index)] : std::string();
  }
  void Clear() { items_.clear(); }
  const std::vector<std::string>& Items() const { return items_; }

 private:
  std::vector<std::string> items_;
};

// Appends each line of the file to the control's items; a file that cannot be read adds
// nothing and says nothing. False when the file could not be read (or is not there).
bool LoadComboFromFile(IFileSystem& fs, const std::string& path, IItemList& combo, TextForm* form = nullptr);

// Writes every item followed by CR LF, replacing the file only once the new one is complete;
// a failure keeps the old file and is not reported here.
SaveResult SaveComboToFile(IFileSystem& fs, const std::string& path, const IItemList& combo,
                           TextForm* form = nullptr);

// Index of the last item equal to text when both are lower-cased; -1 when none.
int FindListIndex(const IItemList& list, const std::string& text);

}  // namespace carrydeck

// The catalogue's rows as a list reads them, and the changes a list is told of. Rows count
// from 0, in the order shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace carrydeck {

// Read-only: what a list asks for as it paints and as the user types a name.
class ICatalogueRows {
 public:
  virtual ~ICatalogueRows() = default;
  virtual size_t Count() const = 0;
  // Field j (0: Name to 3: Parameters) of a row; empty past the fields there are.
  virtual std::string_view Field(size_t row, int j) const = 0;
  // The row's image in the list's image list; -1: none yet.
  virtual int Icon(size_t row) const = 0;
  // Type-to-find: the first row from `start` on, wrapping round, whose name starts with
  // `typed`, letter case ignored as the sort ignores it; npos when none does or nothing
  // was typed.
  virtual size_t FindByNamePrefix(std::string_view typed, size_t start) const = 0;

  static constexpr size_t npos = static_cast<size_t>(-1);
};

// One change of the rows, told to every listener once it is made.
struct CatalogueChange {
  enum class Kind {
    Reset,      // every row went
    Added,      // `count` rows came at the end, from `row` on
    Removed,    // `row` went; the rows after it moved up by one
    Reordered,  // the same rows in another order
    Icon,       // `count` rows from `row` on show other icons
  };
  Kind kind = Kind::Reset;
  size_t row = 0;
  size_t count = 0;
  // Reordered: where each row stands now, by the place it had before.
  const std::vector<uint32_t>* rowNow = nullptr;

  // Where the row that stood at `before` stands after the change; none when it went.
  std::optional<size_t> RowAfter(size_t before) const;
};

class ICatalogueListener {
 public:
  virtual ~ICatalogueListener() = default;
  virtual void OnCatalogueChanged(const CatalogueChange& change) = 0;
};

}  // namespace carrydeck

#pragma once
// The point arrays: a list that owns one copy of each fixed-size record.
// Records live contiguously (a 100,000-point flight is one allocation, not
// 100,000), but every operation keeps the copy-in/copy-out rules of a list of
// owned records: AddRec and Assign copy, Clear and Delete free.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace dv {

// The list's index error.
class EListError : public std::out_of_range {
 public:
  explicit EListError(int index);
};

class tMyBaseArray {
 public:
  tMyBaseArray(int initialCapacity, std::int32_t recSize);
  virtual ~tMyBaseArray() = default;
  tMyBaseArray(const tMyBaseArray&) = delete;
  tMyBaseArray& operator=(const tMyBaseArray&) = delete;
  tMyBaseArray(tMyBaseArray&&) noexcept = default;
  tMyBaseArray& operator=(tMyBaseArray&&) noexcept = default;

  std::int32_t RecSize() const { return recSize_; }
  int Count() const { return static_cast<int>(bytes_.size() / static_cast<std::size_t>(recSize_)); }
  int Capacity() const { return static_cast<int>(bytes_.capacity() / static_cast<std::size_t>(recSize_)); }

  // Appends a copy of the RecSize bytes at `rec`; returns the new index (the old count).
  int AddRec(const void* rec);
  // Copies the record at `index` into `dest`; EListError outside 0..Count()-1.
  void GetRec(int index, void* dest) const;
  // Becomes a copy of `source`; with another record size it is left empty, silently.
  void Assign(const tMyBaseArray& source);
  void Clear();
  // Room for `records` records in all, so that adding up to them moves nothing.
  void Reserve(int records);
  void ShrinkToFit() { bytes_.shrink_to_fit(); }
  void Delete(int index);
  // The record's storage, for in-place changes; EListError outside 0..Count()-1.
  // Invalidated by anything that adds, deletes or clears.
  void* Items(int index);
  const void* Items(int index) const;

 protected:
  // AddRec for a record size known when compiling: a fixed-size copy the
  // compiler inlines (the readers add millions of records).
  template <std::size_t N>
  int AppendRecord(const void* rec) {
    const int index = Count();
    const auto* p = static_cast<const std::byte*>(rec);
    bytes_.insert(bytes_.end(), p, p + N);
    return index;
  }

 private:
  void CheckIndex(int index) const;

  std::int32_t recSize_;
  // std::allocator storage is aligned for any fundamental type, and every record
  // size is a multiple of its record's alignment, so each record is aligned too.
  std::vector<std::byte> bytes_;
};

// Typed view of an array for a trivially copyable record type.
template <typename R>
class PointArray : public tMyBaseArray {
  static_assert(std::is_trivially_copyable_v<R>);
  static_assert(alignof(R) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

 public:
  explicit PointArray(int initialCapacity = 1800)
      : tMyBaseArray(initialCapacity, static_cast<std::int32_t>(sizeof(R))) {}

  int Add(const R& rec) { return AppendRecord<sizeof(R)>(&rec); }
  R Get(int index) const {
    R r;
    GetRec(index, &r);
    return r;
  }
  R& operator[](int index) { return *std::launder(static_cast<R*>(Items(index))); }
  const R& operator[](int index) const {
    return *std::launder(static_cast<const R*>(Items(index)));
  }
  bool empty() const { return Count() == 0; }
};

}  // namespace dv

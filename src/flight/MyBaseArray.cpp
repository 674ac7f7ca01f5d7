#include "flight/MyBaseArray.h"

#include <algorithm>

namespace dv {

EListError::EListError(int index)
    : std::out_of_range("List index out of bounds / Индекс списка вышел за границы (" +
                        std::to_string(index) + ")") {}

tMyBaseArray::tMyBaseArray(int initialCapacity, std::int32_t recSize)
    : recSize_(std::max<std::int32_t>(recSize, 1)) {
  bytes_.reserve(static_cast<std::size_t>(std::max(initialCapacity, 0)) *
                 static_cast<std::size_t>(recSize_));
}

int tMyBaseArray::AddRec(const void* rec) {
  const int index = Count();
  const auto* p = static_cast<const std::byte*>(rec);
  bytes_.insert(bytes_.end(), p, p + recSize_);
  return index;
}

void tMyBaseArray::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
}

void tMyBaseArray::GetRec(int index, void* dest) const {
  CheckIndex(index);
  std::memcpy(dest, bytes_.data() + static_cast<std::size_t>(index) * recSize_,
              static_cast<std::size_t>(recSize_));
}

void tMyBaseArray::Assign(const tMyBaseArray& source) {
  if (&source == this) return;
  Clear();
  if (source.recSize_ != recSize_) return;
  bytes_ = source.bytes_;
}

void tMyBaseArray::Clear() { bytes_.clear(); }

void tMyBaseArray::Reserve(int records) {
  if (records > 0) bytes_.reserve(static_cast<std::size_t>(records) * static_cast<std::size_t>(recSize_));
}

void tMyBaseArray::Delete(int index) {
  CheckIndex(index);
  const auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(index) * recSize_;
  bytes_.erase(first, first + recSize_);
}

void* tMyBaseArray::Items(int index) {
  CheckIndex(index);
  return bytes_.data() + static_cast<std::size_t>(index) * recSize_;
}

const void* tMyBaseArray::Items(int index) const {
  CheckIndex(index);
  return bytes_.data() + static_cast<std::size_t>(index) * recSize_;
}

}  // namespace dv

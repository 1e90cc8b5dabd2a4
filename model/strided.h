// A read-only or writable window on every n-th element of an array: one variable's values over
// the meshes, whether they sit side by side (a table study) or a whole row of variables apart
// (the run's tables, variable fastest). Copying it copies a pointer.
#pragma once

#include <cstddef>

namespace model {

template <class T>
class Strided {
 public:
  Strided() = default;
  Strided(T* first, std::size_t size, std::ptrdiff_t stride = 1)
      : first_(first), size_(size), stride_(stride) {}
  // A writable window reads as a read-only one.
  template <class U>
  Strided(const Strided<U>& other)  // NOLINT(google-explicit-constructor)
      : first_(other.data()), size_(other.size()), stride_(other.stride()) {}

  T& operator[](std::size_t i) const { return first_[static_cast<std::ptrdiff_t>(i) * stride_]; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* data() const { return first_; }
  std::ptrdiff_t stride() const { return stride_; }
  T& back() const { return (*this)[size_ - 1]; }

 private:
  T* first_ = nullptr;
  std::size_t size_ = 0;
  std::ptrdiff_t stride_ = 1;
};

}  // namespace model

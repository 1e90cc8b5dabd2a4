// Item descriptors of read and write statements: the data type and addressing mode of each
// item, as the compiled program passes them, plus the element count of an array item.
#pragma once

#include <cstddef>
#include <cstdint>

namespace recio {

// Data-type codes. Integers occupy 5-17, reals and complexes 25-51.
enum class DataType : std::uint8_t {
  EndOfList = 1,
  Int1 = 5,
  Int2 = 7,
  Int4 = 9,
  Int8 = 11,
  Logical4 = 20,
  Real4 = 40,
  Real8 = 48,
  Character = 56,
};

// Addressing modes: 1 value inline in the argument list, 3 address, 4 length and address
// of character data.
enum class Addressing : std::uint8_t { Inline = 1, Address = 3, LengthAddress = 4 };

// Bytes of one element of a numeric or logical type; 0 for character data and the list end.
constexpr std::size_t element_size(DataType t) {
  switch (t) {
    case DataType::Int1:
      return 1;
    case DataType::Int2:
      return 2;
    case DataType::Int4:
    case DataType::Logical4:
    case DataType::Real4:
      return 4;
    case DataType::Int8:
    case DataType::Real8:
      return 8;
    case DataType::Character:
    case DataType::EndOfList:
      break;
  }
  return 0;
}

struct ItemDescriptor {
  DataType type;
  Addressing mode;
};

// One item of an I/O list. Scalars have count 1; an array item is one descriptor whose
// elements lie contiguously in storage order. For Character items `length` is the length of
// one element. Inline items carry their value in `inline_int` or `inline_real`.
struct Item {
  ItemDescriptor desc{DataType::EndOfList, Addressing::Address};
  void* addr = nullptr;
  std::size_t length = 0;
  std::size_t count = 1;
  std::int64_t inline_int = 0;
  double inline_real = 0;

  static Item end() { return {}; }
  static Item of(std::int32_t& v) { return {{DataType::Int4, Addressing::Address}, &v}; }
  static Item of(double& v) { return {{DataType::Real8, Addressing::Address}, &v}; }
  static Item text(char* p, std::size_t len) {
    Item i{{DataType::Character, Addressing::LengthAddress}, p};
    i.length = len;
    return i;
  }
  static Item array(std::int32_t* p, std::size_t n) {
    Item i{{DataType::Int4, Addressing::Address}, p};
    i.count = n;
    return i;
  }
  static Item array(double* p, std::size_t n) {
    Item i{{DataType::Real8, Addressing::Address}, p};
    i.count = n;
    return i;
  }
  static Item value(std::int32_t v) {
    Item i{{DataType::Int4, Addressing::Inline}};
    i.inline_int = v;
    return i;
  }
  static Item value(double v) {
    Item i{{DataType::Real8, Addressing::Inline}};
    i.inline_real = v;
    return i;
  }
  // A read-only view of a text for output statements.
  static Item text(const char* p, std::size_t len) { return text(const_cast<char*>(p), len); }

  bool is_end() const { return desc.type == DataType::EndOfList; }
  // Bytes of one element: the length of a character item, the type's size otherwise.
  std::size_t element_bytes() const {
    return desc.type == DataType::Character ? length : element_size(desc.type);
  }
};

}  // namespace recio

#include "input/byte_buffer.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>

ByteBuffer::~ByteBuffer() { std::free(data_); }

void ByteBuffer::CheckInvariants() const {
  assert(start_ <= end_);
  assert(end_ <= capacity_);
  assert(data_ != nullptr || capacity_ == 0);
}

void ByteBuffer::Consume(Pos pos) {
  assert(pos >= Start() && pos <= End());
  start_ = static_cast<std::size_t>(pos - base_);
  CheckInvariants();
}

void ByteBuffer::Roll() {
  if (start_ == 0) return;
  std::memmove(data_, data_ + start_, end_ - start_);
  base_ += start_;
  end_ -= start_;
  start_ = 0;
  CheckInvariants();
}

char* ByteBuffer::Fill(std::size_t size) {
  if (capacity_ - end_ < size) {
    Roll();
    if (capacity_ - end_ < size) {
      // Growing by half keeps the copies linear in the length of a long
      // line; twice the room asked for keeps a roll from moving more than
      // one read's bytes.
      const std::size_t capacity = std::max({capacity_ + capacity_ / 2, end_ + size, 2 * size});
      char* grown = static_cast<char*>(std::realloc(data_, capacity));
      if (grown == nullptr) throw std::bad_alloc();
      data_ = grown;
      capacity_ = capacity;
    }
  }
  CheckInvariants();
  return data_ + end_;
}

void ByteBuffer::Filled(std::size_t size) {
  assert(size <= capacity_ - end_);
  end_ += size;
  CheckInvariants();
}

void ByteBuffer::CutAt(Pos pos) {
  assert(pos >= Start() && pos <= End());
  end_ = static_cast<std::size_t>(pos - base_);
  CheckInvariants();
}

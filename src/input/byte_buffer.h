// The reader's bytes: one buffer that large reads fill at its end and the
// reader consumes from its front, whatever the size of the log.
//
// Places in the text are positions counted from the first byte ever put in
// (`Pos`), not indices into the memory: a roll moves the bytes to the front
// and only the buffer's own base changes with them, so a position kept
// across a read still names the same byte. With
//   start: the first byte still held (all before it are consumed),
//   end:   one past the last byte put in,
// it holds base <= start <= end <= base + capacity, and every position in
// [start, end] can be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class ByteBuffer {
 public:
  using Pos = std::uint64_t;

  ByteBuffer() = default;
  ~ByteBuffer();
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  Pos Start() const { return base_ + start_; }
  Pos End() const { return base_ + end_; }
  std::size_t Capacity() const { return capacity_; }

  // The byte at `pos`, in [Start(), End()]; End() itself may be written
  // only through Fill.
  char* At(Pos pos) { return data_ + static_cast<std::size_t>(pos - base_); }
  const char* At(Pos pos) const { return data_ + static_cast<std::size_t>(pos - base_); }
  std::string_view Text(Pos from, Pos to) const {
    return {At(from), static_cast<std::size_t>(to - from)};
  }

  // The bytes before `pos` (in [Start(), End()]) are no longer needed.
  void Consume(Pos pos);
  // Makes room for `size` bytes at End() and returns where they go: rolls
  // the held bytes to the front when they and `size` do not fit behind
  // them, and grows the memory when they do not fit at all. Throws
  // std::bad_alloc when it cannot grow.
  char* Fill(std::size_t size);
  // `size` bytes were written where Fill said.
  void Filled(std::size_t size);
  // Moves the held bytes to the front of the memory.
  void Roll();
  // Drops the bytes from `pos` (in [Start(), End()]) on.
  void CutAt(Pos pos);
  // Whether `size` more bytes would make the memory grow.
  bool WouldGrow(std::size_t size) const { return end_ - start_ + size > capacity_; }

 private:
  void CheckInvariants() const;

  char* data_ = nullptr;
  std::size_t capacity_ = 0;
  Pos base_ = 0;  // the position of data_[0]
  std::size_t start_ = 0;
  std::size_t end_ = 0;
};

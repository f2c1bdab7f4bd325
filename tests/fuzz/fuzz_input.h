// Reading typed values from a fuzzer's byte string, and failing a property loudly.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz {

// Consumes the input front to back; once it is used up every value is 0.
class Input {
 public:
  Input(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t byte() { return size_ > 0 ? (--size_, *data_++) : 0; }

  std::uint32_t raw32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | byte();
    return value;
  }

  // Any int, with the ends of the range and the small values near 0 coming up often.
  int anyInt() {
    switch (byte() % 8) {
      case 0: return INT_MIN;
      case 1: return INT_MAX;
      case 2: return 0;
      case 3: return static_cast<std::int8_t>(byte());
      case 4: return INT_MIN + static_cast<int>(byte());
      case 5: return INT_MAX - static_cast<int>(byte());
      default: {
        const std::uint32_t bits = raw32();
        int value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
      }
    }
  }

  long long anyLongLong() {
    switch (byte() % 4) {
      case 0: return LLONG_MIN;
      case 1: return LLONG_MAX;
      case 2: return static_cast<std::int16_t>(byte() << 8 | byte());
      default: {
        const std::uint64_t bits = (std::uint64_t{raw32()} << 32) | raw32();
        long long value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
      }
    }
  }

  // A value in [low, high].
  int inRange(int low, int high) {
    const std::uint32_t span = static_cast<std::uint32_t>(high - low) + 1u;
    return low + static_cast<int>(raw32() % span);
  }

  bool empty() const { return size_ == 0; }

 private:
  const std::uint8_t *data_;
  std::size_t size_;
};

}  // namespace fuzz

// A violated property: say which, and stop so that the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                           \
  do {                                                                                  \
    if (!(condition)) {                                                                 \
      std::fprintf(stderr, "property failed at %s:%d: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

// The display-range search over any histogram and threshold: bounds within 0..4095,
// each the first index whose running sum strictly exceeds the threshold (the lower from
// 0 up, the upper from 4094 down), the defaults 0 and 4095 when none does, and counter
// 4095 never taking part.
#include "fuzz/fuzz_input.h"
#include "tables/tables.h"

namespace {

// The first index from `first` in steps of `step` (within 0..4094) whose running sum
// exceeds threshold, or `none`. Sums are kept exactly: 4095 counters of 32 bits fit.
int firstExceeding(const qv::Histogram &h, long long threshold, int first, int step, int none) {
  long long sum = 0;
  for (int i = first; i >= 0 && i <= 4094; i += step) {
    sum += h[static_cast<std::size_t>(i)];
    if (sum > threshold) return i;
  }
  return none;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Input in(data, size);
  const long long threshold = in.byte() % 2 == 0 ? in.inRange(-2, 200) : in.anyLongLong();
  qv::Histogram h{};
  // Sparse: a few counters, most small, some at the ends of their range.
  const int entries = in.inRange(0, 64);
  for (int i = 0; i < entries; ++i) {
    const std::size_t index = static_cast<std::size_t>(in.inRange(0, 4095));
    const std::uint8_t kind = in.byte();
    h[index] = kind < 200 ? kind : (kind < 250 ? in.raw32() : 0xFFFFFFFFu);
  }

  const qv::DisplayRange range = qv::histogramBounds(h, threshold);
  FUZZ_CHECK(range.min >= 0 && range.min <= 4094);
  FUZZ_CHECK((range.max >= 0 && range.max <= 4094) || range.max == 4095);
  FUZZ_CHECK(range.min == firstExceeding(h, threshold, 0, 1, 0));
  FUZZ_CHECK(range.max == firstExceeding(h, threshold, 4094, -1, 4095));

  qv::Histogram changed = h;
  changed[4095] = ~h[4095];
  const qv::DisplayRange same = qv::histogramBounds(changed, threshold);
  FUZZ_CHECK(same.min == range.min && same.max == range.max);
  return 0;
}

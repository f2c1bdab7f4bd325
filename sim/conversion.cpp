// The simulated conversion library (pcocnv): lookup tables owned by the library and the
// conversions of 12-bit frames into 8-bit grey, pseudo-colour and colour pixels, plus
// the grey-world white balance of a colour mosaic.
//
// Status codes (0 is success; creation calls return a null handle instead):
//   1  bad table: null, not a live table, or a table of the wrong kind
//   2  null pointer argument (frame, pixels, words or a factor out-parameter)
//   3  bad size: width or height <= 0
//   4  unsupported mode (conversions: 0 grey, 18 pseudo-colour, 2 colour; AUTOBALANCE: 0),
//      or percentile bounds of AUTOBALANCE not 0 <= low < high <= 100
//   5  AUTOBALANCE: image smaller than 4 x 4
//   6  AUTOBALANCE: a colour channel's mean is 0
//   7  AUTOBALANCE: out of memory for its histograms
// An injected fault (qvsim_fail) returns whatever status it was armed with.
//
// Every entry point reports itself to qvsim_enter with its integer arguments (pointers
// as their address) and its doubles, and its result to qvsim_leave.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <type_traits>
#include <unordered_map>

#include "sim/control.h"
#include "sim/luts.h"
#include "vendor/conversion.h"

namespace {

using qvsim::kInputLevels;
using qvsim::kInputMask;

constexpr int kBadTable = 1;
constexpr int kNullPointer = 2;
constexpr int kBadSize = 3;
constexpr int kBadMode = 4;
constexpr int kTooSmall = 5;
constexpr int kNoSignal = 6;
constexpr int kNoMemory = 7;

constexpr int kModeGrey = 0;
constexpr int kModeColour = 2;
constexpr int kModePseudo = 18;

// Kind words at the start of every table, so a table in memory tells what it is. Which
// pointers are live tables is decided by the registry alone; the words are not trusted.
constexpr std::uint32_t kGreyMagic = 0x51564257u;    // "QVBW"
constexpr std::uint32_t kPseudoMagic = 0x51565053u;  // "QVPS"
constexpr std::uint32_t kColourMagic = 0x5156434Cu;  // "QVCL"

// What CONVERT_SET_EX ranges: a window, a gamma and the 4096 levels they give.
struct GreyMap {
  std::uint32_t magic = kGreyMagic;
  int low = 0;
  int high = kInputLevels - 1;
  double gamma = 1.0;
  std::uint8_t level[kInputLevels];
  qvsim::LinearLevels linear;  // the levels as arithmetic, when they have that form
};

// A black-and-white table is a grey map; its handle points at the map.
struct BwTable {
  GreyMap map;
};

// A pseudo-colour table: an 8-byte header (kind word and a reserved word), then a grey
// map laid out exactly like a black-and-white table, then the colour of every input
// value. Its handle points at the header; handle + 8 points at the grey map, which is
// what callers hand to CONVERT_SET_EX to range it.
struct PseudoTable {
  std::uint32_t magic = kPseudoMagic;
  std::uint32_t reserved = 0;
  GreyMap map;
  std::uint32_t rgb[kInputLevels];
};
static_assert(offsetof(PseudoTable, map) == kPseudoLutRangeOffset);
static_assert(offsetof(BwTable, map) == 0);

struct ColourTable {
  std::uint32_t magic = kColourMagic;
  int low[3] = {0, 0, 0};
  int high[3] = {kInputLevels - 1, kInputLevels - 1, kInputLevels - 1};
  double gamma = 1.0;
  double saturation = 100.0;
  int saturation256 = 256;  // saturation as a factor in 1/256
  std::uint8_t level[3][kInputLevels];
  qvsim::LinearLevels linear[3];  // each channel's levels as arithmetic, when they have that form
};

enum class Kind { Bw, Pseudo, Colour };

// Live tables by address. Conversions hold the lock shared, so a table cannot be
// deleted or re-ranged under a running conversion; the others hold it exclusively.
std::shared_mutex gTablesMutex;
std::unordered_map<std::uintptr_t, Kind> &tables() {
  static std::unordered_map<std::uintptr_t, Kind> registry;
  return registry;
}

// Caller holds gTablesMutex.
bool isLive(const void *table, Kind kind) {
  if (table == nullptr) return false;
  const auto found = tables().find(reinterpret_cast<std::uintptr_t>(table));
  return found != tables().end() && found->second == kind;
}

void fillPseudo(PseudoTable &table) {
  std::uint32_t palette[256];
  for (int i = 0; i < 256; ++i) palette[i] = qvsim::pseudoColour(i);
  for (int v = 0; v < kInputLevels; ++v) table.rgb[v] = palette[table.map.level[v]];
}

void rangeGrey(GreyMap &map, int low, int high, double gamma) {
  map.low = low;
  map.high = high;
  map.gamma = qvsim::sanitizeGamma(gamma);
  qvsim::buildLevels(map.level, low, high, map.gamma);
  map.linear = qvsim::findLinearLevels(map.level, low, high);
}

void rangeColour(ColourTable &table, const int (&low)[3], const int (&high)[3], double gamma,
                 double saturation) {
  table.gamma = qvsim::sanitizeGamma(gamma);
  for (int c = 0; c < 3; ++c) {
    table.low[c] = low[c];
    table.high[c] = high[c];
    // A channel with the window of an earlier one (all three, with neutral factors) has
    // its levels too.
    int same = 0;
    while (same < c && (low[same] != low[c] || high[same] != high[c])) ++same;
    if (same < c) {
      std::copy(std::begin(table.level[same]), std::end(table.level[same]), table.level[c]);
      table.linear[c] = table.linear[same];
    } else {
      qvsim::buildLevels(table.level[c], low[c], high[c], table.gamma);
      table.linear[c] = qvsim::findLinearLevels(table.level[c], low[c], high[c]);
    }
  }
  // Negative means grey; not finite means unchanged; very large is capped, as every
  // channel saturates long before.
  if (!std::isfinite(saturation)) saturation = 100.0;
  saturation = saturation < 0.0 ? 0.0 : (saturation > 10000.0 ? 10000.0 : saturation);
  table.saturation = saturation;
  table.saturation256 = static_cast<int>(std::lround(saturation * 256.0 / 100.0));
}

long long address(const void *p) {
  return static_cast<long long>(reinterpret_cast<std::uintptr_t>(p));
}

// Records the call; returns true with *status set when a fault is armed.
template <std::size_t N>
bool enter(const char *name, const long long (&args)[N], int *status) {
  return qvsim_enter(name, static_cast<int>(N), args, 0, nullptr, status) != 0;
}
template <std::size_t N, std::size_t M>
bool enter(const char *name, const long long (&args)[N], const double (&reals)[M],
           int *status) {
  return qvsim_enter(name, static_cast<int>(N), args, static_cast<int>(M), reals, status) != 0;
}

int leave(int result) {
  qvsim_leave(result);
  return result;
}
void *leaveHandle(void *handle) {
  qvsim_leave(handle != nullptr ? 1 : 0);
  return handle;
}

bool validCreate(int bits, int low, int high, int kind) {
  return bits == kLutBits && low == kLutLow && high == kLutHigh && kind == 0;
}

template <typename Table>
void *create(const char *name, Kind kind, int bits, int low, int high, int tableKind) {
  int status = 0;
  if (enter(name, {bits, low, high, tableKind}, &status)) return leaveHandle(nullptr);
  if (!validCreate(bits, low, high, tableKind)) return leaveHandle(nullptr);
  // No exception may leave a C entry point: out of memory is a null handle.
  auto *table = new (std::nothrow) Table;
  if (table == nullptr) return leaveHandle(nullptr);
  if constexpr (std::is_same_v<Table, ColourTable>) {
    rangeColour(*table, table->low, table->high, 1.0, 100.0);
  } else if constexpr (std::is_same_v<Table, PseudoTable>) {
    rangeGrey(table->map, 0, kInputLevels - 1, 1.0);
    fillPseudo(*table);
  } else {
    rangeGrey(table->map, 0, kInputLevels - 1, 1.0);
  }
  try {
    std::unique_lock lock(gTablesMutex);
    tables()[reinterpret_cast<std::uintptr_t>(table)] = kind;
  } catch (const std::bad_alloc &) {
    delete table;
    return leaveHandle(nullptr);
  }
  return leaveHandle(table);
}

template <typename Table>
int destroy(const char *name, Kind kind, void *handle) {
  int status = 0;
  if (enter(name, {address(handle)}, &status)) return leave(status);
  {
    std::unique_lock lock(gTablesMutex);
    if (!isLive(handle, kind)) return leave(kBadTable);
    tables().erase(reinterpret_cast<std::uintptr_t>(handle));
  }
  delete static_cast<Table *>(handle);
  return leave(0);
}

// Loops that the compiler vectorises are built once more for AVX2 and for AVX-512 where
// it can, the fastest one the processor has being picked when the library loads.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define QVSIM_VECTOR_CLONES __attribute__((target_clones("default", "avx2", "arch=x86-64-v4")))
#else
#define QVSIM_VECTOR_CLONES
#endif

// 12 -> 8 bits through a table's levels by lookup, the general way.
void greyByLookup(const std::uint8_t *level, const std::uint16_t *in, std::uint8_t *out,
                  std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out[i] = level[in[i] & kInputMask];
}

// The same levels computed from their exact arithmetic form, which vectorises where a
// lookup cannot: the same result several times faster.
QVSIM_VECTOR_CLONES void greyByArithmetic(const qvsim::LinearLevels &form,
                                          const std::uint16_t *in, std::uint8_t *out,
                                          std::size_t n) {
  const auto low = static_cast<std::uint16_t>(form.low);
  const auto span = static_cast<std::int16_t>(form.span);
  const std::uint32_t multiplier = form.multiplier;
  const std::uint32_t addend = form.addend;
  const int shift = form.shift;
  for (std::size_t i = 0; i < n; ++i) {
    const auto v = static_cast<std::uint16_t>(in[i] & kInputMask);
    const auto above = static_cast<std::int16_t>(v > low ? v - low : 0);
    const auto d = static_cast<std::uint16_t>(above < span ? above : span);
    out[i] = static_cast<std::uint8_t>((static_cast<std::uint32_t>(d) * multiplier + addend) >> shift);
  }
}

void convertGrey(const GreyMap &map, const std::uint16_t *in, std::uint8_t *out, std::size_t n) {
  if (map.linear.exists)
    greyByArithmetic(map.linear, in, out, n);
  else
    greyByLookup(map.level, in, out, n);
}

// Argument checks shared by the three conversions; 0 when they pass.
int checkConversion(int mode, int expectedMode, int width, int height, const void *frame,
                    const void *pixels) {
  if (frame == nullptr || pixels == nullptr) return kNullPointer;
  if (width <= 0 || height <= 0) return kBadSize;
  if (mode != expectedMode) return kBadMode;
  return 0;
}

// Index of a neighbour one step outside [0, n), mirrored about the edge pixel so that
// it keeps the colour of the Bayer site it stands for (-1 -> 1, n -> n - 2).
int mirrorLow(int n) { return n > 1 ? 1 : 0; }
int mirrorHigh(int n) { return n > 1 ? n - 2 : 0; }

// A level from its arithmetic form (see qvsim::LinearLevels), for v in 0..4095.
[[gnu::always_inline]] inline int formLevel(int v, int low, int span, std::uint32_t multiplier,
                                            std::uint32_t addend, int shift) {
  const int above = v > low ? v - low : 0;
  const auto d = static_cast<std::uint32_t>(above < span ? above : span);
  return static_cast<int>((d * multiplier + addend) >> shift);
}

// Columns 1 .. width - 2 of one output row of the colour conversion below, with every
// level computed from its channel's arithmetic form. The arithmetic is that of
// ColourPass::pixel, written without branches so that the compiler vectorises it; for
// values 0..4095 the forms give exactly the levels of the table, so the result is the
// same to the bit.
template <bool kRedRow, bool kSaturate>
[[gnu::always_inline]] inline void colourInterior(const std::uint16_t *up,
                                                  const std::uint16_t *mid,
                                                  const std::uint16_t *down, std::uint32_t *out,
                                                  int width, const qvsim::LinearLevels *forms,
                                                  int saturation256) {
  const int lowR = forms[0].low, spanR = forms[0].span, shiftR = forms[0].shift;
  const int lowG = forms[1].low, spanG = forms[1].span, shiftG = forms[1].shift;
  const int lowB = forms[2].low, spanB = forms[2].span, shiftB = forms[2].shift;
  const std::uint32_t mulR = forms[0].multiplier, addR = forms[0].addend;
  const std::uint32_t mulG = forms[1].multiplier, addG = forms[1].addend;
  const std::uint32_t mulB = forms[2].multiplier, addB = forms[2].addend;
  for (int x = 1; x < width - 1; ++x) {
    const int centre = mid[x] & static_cast<int>(kInputMask);
    const int west = mid[x - 1] & static_cast<int>(kInputMask);
    const int east = mid[x + 1] & static_cast<int>(kInputMask);
    const int north = up[x] & static_cast<int>(kInputMask);
    const int south = down[x] & static_cast<int>(kInputMask);
    const int corners = (up[x - 1] & static_cast<int>(kInputMask)) +
                        (up[x + 1] & static_cast<int>(kInputMask)) +
                        (down[x - 1] & static_cast<int>(kInputMask)) +
                        (down[x + 1] & static_cast<int>(kInputMask));
    const int cross = (west + east + north + south + 2) >> 2;
    const int diagonal = (corners + 2) >> 2;
    const int horizontal = (west + east + 1) >> 1;
    const int vertical = (north + south + 1) >> 1;
    const bool even = (x & 1) == 0;
    // Red row: R site at even x, G site at odd x. Blue row: G site at even x, B at odd x.
    const int r = kRedRow ? (even ? centre : horizontal) : (even ? vertical : diagonal);
    const int g = kRedRow ? (even ? cross : centre) : (even ? centre : cross);
    const int b = kRedRow ? (even ? diagonal : vertical) : (even ? horizontal : centre);
    int rr = formLevel(r, lowR, spanR, mulR, addR, shiftR);
    int gg = formLevel(g, lowG, spanG, mulG, addG, shiftG);
    int bb = formLevel(b, lowB, spanB, mulB, addB, shiftB);
    if constexpr (kSaturate) {
      const int luma = (77 * rr + 150 * gg + 29 * bb) >> 8;
      rr = std::clamp(luma + (((rr - luma) * saturation256) >> 8), 0, 255);
      gg = std::clamp(luma + (((gg - luma) * saturation256) >> 8), 0, 255);
      bb = std::clamp(luma + (((bb - luma) * saturation256) >> 8), 0, 255);
    }
    out[x] = (static_cast<std::uint32_t>(rr) << 16) | (static_cast<std::uint32_t>(gg) << 8) |
             static_cast<std::uint32_t>(bb);
  }
}

using ColourInteriorFn = void (*)(const std::uint16_t *, const std::uint16_t *,
                                  const std::uint16_t *, std::uint32_t *, int,
                                  const qvsim::LinearLevels *, int);
#define QVSIM_COLOUR_INTERIOR(name, red, saturate)                                              \
  QVSIM_VECTOR_CLONES void name(const std::uint16_t *up, const std::uint16_t *mid,           \
                                const std::uint16_t *down, std::uint32_t *out, int width,    \
                                const qvsim::LinearLevels *forms, int saturation256) {       \
    colourInterior<red, saturate>(up, mid, down, out, width, forms, saturation256);          \
  }
QVSIM_COLOUR_INTERIOR(colourInteriorRed, true, false)
QVSIM_COLOUR_INTERIOR(colourInteriorBlue, false, false)
QVSIM_COLOUR_INTERIOR(colourInteriorRedSaturated, true, true)
QVSIM_COLOUR_INTERIOR(colourInteriorBlueSaturated, false, true)
#undef QVSIM_COLOUR_INTERIOR

// Bilinear demosaicing of an RGGB mosaic (R at even row and column, B at odd row and
// column), then each channel through its level table, then the saturation as a blend
// with the luminance. One pass, lookups and shifts only.
struct ColourPass {
  const std::uint8_t *levelR;
  const std::uint8_t *levelG;
  const std::uint8_t *levelB;
  int saturation256;
  const std::uint16_t *up;
  const std::uint16_t *mid;
  const std::uint16_t *down;
  // The channels' arithmetic forms when all three have one, else null.
  const qvsim::LinearLevels *forms;

  // The pixel at column x, whose left and right neighbours are the columns xl and xr.
  // kRedRow: the row holds R and G sites; kEven: x is even, so on a red row x is an R
  // site and on a blue row a G site.
  template <bool kRedRow, bool kEven, bool kSaturate>
  std::uint32_t pixel(int x, int xl, int xr) const {
    const unsigned centre = mid[x] & kInputMask;
    const unsigned west = mid[xl] & kInputMask;
    const unsigned east = mid[xr] & kInputMask;
    const unsigned north = up[x] & kInputMask;
    const unsigned south = down[x] & kInputMask;
    unsigned r, g, b;
    if constexpr (kRedRow == kEven) {
      // A red or a blue site: green from the cross, the other from the diagonals.
      const unsigned diagonal = ((up[xl] & kInputMask) + (up[xr] & kInputMask) +
                                 (down[xl] & kInputMask) + (down[xr] & kInputMask) + 2) >>
                                2;
      g = (west + east + north + south + 2) >> 2;
      r = kRedRow ? centre : diagonal;
      b = kRedRow ? diagonal : centre;
    } else {
      // A green site: the horizontal pair is the other colour of this row, the vertical
      // pair the one of the rows above and below.
      const unsigned horizontal = (west + east + 1) >> 1;
      const unsigned vertical = (north + south + 1) >> 1;
      g = centre;
      r = kRedRow ? horizontal : vertical;
      b = kRedRow ? vertical : horizontal;
    }
    int rr = levelR[r];
    int gg = levelG[g];
    int bb = levelB[b];
    if constexpr (kSaturate) {
      const int luma = (77 * rr + 150 * gg + 29 * bb) >> 8;
      rr = std::clamp(luma + (((rr - luma) * saturation256) >> 8), 0, 255);
      gg = std::clamp(luma + (((gg - luma) * saturation256) >> 8), 0, 255);
      bb = std::clamp(luma + (((bb - luma) * saturation256) >> 8), 0, 255);
    }
    return (static_cast<std::uint32_t>(rr) << 16) | (static_cast<std::uint32_t>(gg) << 8) |
           static_cast<std::uint32_t>(bb);
  }

  template <bool kRedRow, bool kSaturate>
  void row(std::uint32_t *out, int width) const {
    const int lastRight = mirrorHigh(width);
    out[0] = pixel<kRedRow, true, kSaturate>(0, mirrorLow(width), width > 1 ? 1 : lastRight);
    int x = 1;
    if (forms != nullptr && width > 2) {
      // Interior columns, computed rather than looked up.
      const ColourInteriorFn interior =
          kRedRow ? (kSaturate ? colourInteriorRedSaturated : colourInteriorRed)
                  : (kSaturate ? colourInteriorBlueSaturated : colourInteriorBlue);
      interior(up, mid, down, out, width, forms, saturation256);
      x = width - 1;
    }
    // Interior columns in pairs, odd then even, with no edge to mind.
    for (; x + 2 < width; x += 2) {
      out[x] = pixel<kRedRow, false, kSaturate>(x, x - 1, x + 1);
      out[x + 1] = pixel<kRedRow, true, kSaturate>(x + 1, x, x + 2);
    }
    for (; x < width; ++x) {
      const int xr = x + 1 < width ? x + 1 : lastRight;
      out[x] = (x & 1) != 0 ? pixel<kRedRow, false, kSaturate>(x, x - 1, xr)
                            : pixel<kRedRow, true, kSaturate>(x, x - 1, xr);
    }
  }

  template <bool kSaturate>
  void rows(const std::uint16_t *frame, std::uint32_t *out, int width, int height) {
    const std::size_t w = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y) {
      const int yUp = y > 0 ? y - 1 : mirrorLow(height);
      const int yDown = y + 1 < height ? y + 1 : mirrorHigh(height);
      up = frame + static_cast<std::size_t>(yUp) * w;
      mid = frame + static_cast<std::size_t>(y) * w;
      down = frame + static_cast<std::size_t>(yDown) * w;
      std::uint32_t *line = out + static_cast<std::size_t>(y) * w;
      if ((y & 1) == 0)
        row<true, kSaturate>(line, width);
      else
        row<false, kSaturate>(line, width);
    }
  }
};

void convertColour(const ColourTable &table, int width, int height,
                   const std::uint16_t *frame, std::uint32_t *out) {
  const bool computed = table.linear[0].exists && table.linear[1].exists && table.linear[2].exists;
  ColourPass pass{table.level[0], table.level[1], table.level[2], table.saturation256,
                  nullptr, nullptr, nullptr, computed ? table.linear : nullptr};
  if (table.saturation256 == 256)
    pass.rows<false>(frame, out, width, height);
  else
    pass.rows<true>(frame, out, width, height);
}

using Histogram = std::array<std::uint32_t, kInputLevels>;

// The value at rank (count - 1) * percent / 100 of a histogram, rounded down for the
// lower bound and up for the upper one.
unsigned percentileValue(const Histogram &histogram, std::uint64_t count, int percent,
                         bool roundUp) {
  const std::uint64_t scaled = (count - 1) * static_cast<std::uint64_t>(percent);
  const std::uint64_t rank = roundUp ? (scaled + 99) / 100 : scaled / 100;
  std::uint64_t seen = 0;
  for (unsigned v = 0; v < static_cast<unsigned>(kInputLevels); ++v) {
    seen += histogram[v];
    if (seen > rank) return v;
  }
  return kInputLevels - 1;
}

// Mean of the values between the two percentiles, bounds included; 0 when none.
double clippedMean(const Histogram &histogram, int lowPercent, int highPercent) {
  std::uint64_t count = 0;
  for (const std::uint32_t bin : histogram) count += bin;
  if (count == 0) return 0.0;
  const unsigned from = percentileValue(histogram, count, lowPercent, false);
  const unsigned to = percentileValue(histogram, count, highPercent, true);
  std::uint64_t sum = 0;
  std::uint64_t n = 0;
  for (unsigned v = from; v <= to; ++v) {
    sum += static_cast<std::uint64_t>(v) * histogram[v];
    n += histogram[v];
  }
  return n == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(n);
}

int gainFactor(double reference, double mean) {
  const double value = std::round(100.0 * reference / mean);
  return value < 1.0 ? 1 : (value > 32767.0 ? 32767 : static_cast<int>(value));
}

}  // namespace

extern "C" {

QV_VENDOR_EXPORT void *QV_VENDOR_CC CREATE_BWLUT_EX(int bits, int low, int high, int kind) {
  return create<BwTable>("CREATE_BWLUT_EX", Kind::Bw, bits, low, high, kind);
}

QV_VENDOR_EXPORT void *QV_VENDOR_CC CREATE_PSEUDOLUT_EX(int bits, int low, int high,
                                                       int kind) {
  return create<PseudoTable>("CREATE_PSEUDOLUT_EX", Kind::Pseudo, bits, low, high, kind);
}

QV_VENDOR_EXPORT void *QV_VENDOR_CC CREATE_COLORLUT_EX(int bits, int low, int high,
                                                      int kind) {
  return create<ColourTable>("CREATE_COLORLUT_EX", Kind::Colour, bits, low, high, kind);
}

QV_VENDOR_EXPORT int QV_VENDOR_CC DELETE_BWLUT_EX(void *table) {
  return destroy<BwTable>("DELETE_BWLUT_EX", Kind::Bw, table);
}

QV_VENDOR_EXPORT int QV_VENDOR_CC DELETE_PSEUDOLUT_EX(void *table) {
  return destroy<PseudoTable>("DELETE_PSEUDOLUT_EX", Kind::Pseudo, table);
}

QV_VENDOR_EXPORT int QV_VENDOR_CC DELETE_COLORLUT_EX(void *table) {
  return destroy<ColourTable>("DELETE_COLORLUT_EX", Kind::Colour, table);
}

// Ranges a black-and-white table (its handle) or a pseudo-colour table (its handle + 8).
// `kind` is recorded but does not change the result.
QV_VENDOR_EXPORT int QV_VENDOR_CC CONVERT_SET_EX(void *table, int low, int high, int kind,
                                                 double gamma) {
  int status = 0;
  if (enter("CONVERT_SET_EX", {address(table), low, high, kind}, {gamma}, &status))
    return leave(status);
  if (table == nullptr) return leave(kBadTable);
  std::unique_lock lock(gTablesMutex);
  if (isLive(table, Kind::Bw)) {
    rangeGrey(static_cast<BwTable *>(table)->map, low, high, gamma);
    return leave(0);
  }
  // Arithmetic on the address only: the pointer is dereferenced once the registry
  // confirms it as a live pseudo-colour table.
  const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(table) - kPseudoLutRangeOffset;
  const auto found = tables().find(base);
  if (found == tables().end() || found->second != Kind::Pseudo) return leave(kBadTable);
  auto *pseudo = reinterpret_cast<PseudoTable *>(base);
  rangeGrey(pseudo->map, low, high, gamma);
  fillPseudo(*pseudo);
  return leave(0);
}

// `kind` is recorded but does not change the result. Saturation is in percent.
QV_VENDOR_EXPORT int QV_VENDOR_CC CONVERT_SET_COL_EX(void *table, int redLow, int greenLow,
                                                     int blueLow, int redHigh, int greenHigh,
                                                     int blueHigh, int kind, double gamma,
                                                     double saturation) {
  int status = 0;
  if (enter("CONVERT_SET_COL_EX",
            {address(table), redLow, greenLow, blueLow, redHigh, greenHigh, blueHigh, kind},
            {gamma, saturation}, &status))
    return leave(status);
  std::unique_lock lock(gTablesMutex);
  if (!isLive(table, Kind::Colour)) return leave(kBadTable);
  rangeColour(*static_cast<ColourTable *>(table), {redLow, greenLow, blueLow},
              {redHigh, greenHigh, blueHigh}, gamma, saturation);
  return leave(0);
}

QV_VENDOR_EXPORT int QV_VENDOR_CC CONV_BUF_12TO8_EX(int mode, int width, int height,
                                                    const void *frame, void *pixels,
                                                    void *table) {
  int status = 0;
  if (enter("CONV_BUF_12TO8_EX",
            {mode, width, height, address(frame), address(pixels), address(table)}, &status))
    return leave(status);
  std::shared_lock lock(gTablesMutex);
  if (!isLive(table, Kind::Bw)) return leave(kBadTable);
  if (const int bad = checkConversion(mode, kModeGrey, width, height, frame, pixels))
    return leave(bad);
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  convertGrey(static_cast<const BwTable *>(table)->map, static_cast<const std::uint16_t *>(frame),
              static_cast<std::uint8_t *>(pixels), n);
  return leave(0);
}

QV_VENDOR_EXPORT int QV_VENDOR_CC CONV_BUF_12TOPSEUDO_EX(int mode, int width, int height,
                                                         const void *frame, void *pixels,
                                                         void *table) {
  int status = 0;
  if (enter("CONV_BUF_12TOPSEUDO_EX",
            {mode, width, height, address(frame), address(pixels), address(table)}, &status))
    return leave(status);
  std::shared_lock lock(gTablesMutex);
  if (!isLive(table, Kind::Pseudo)) return leave(kBadTable);
  if (const int bad = checkConversion(mode, kModePseudo, width, height, frame, pixels))
    return leave(bad);
  const std::uint32_t *rgb = static_cast<const PseudoTable *>(table)->rgb;
  const auto *in = static_cast<const std::uint16_t *>(frame);
  auto *out = static_cast<std::uint32_t *>(pixels);
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (std::size_t i = 0; i < n; ++i) out[i] = rgb[in[i] & kInputMask];
  return leave(0);
}

QV_VENDOR_EXPORT int QV_VENDOR_CC CONV_BUF_12TOCOL_EX(int mode, int width, int height,
                                                      const void *frame, void *pixels,
                                                      void *table) {
  int status = 0;
  if (enter("CONV_BUF_12TOCOL_EX",
            {mode, width, height, address(frame), address(pixels), address(table)}, &status))
    return leave(status);
  std::shared_lock lock(gTablesMutex);
  if (!isLive(table, Kind::Colour)) return leave(kBadTable);
  if (const int bad = checkConversion(mode, kModeColour, width, height, frame, pixels))
    return leave(bad);
  convertColour(*static_cast<const ColourTable *>(table), width, height,
                static_cast<const std::uint16_t *>(frame), static_cast<std::uint32_t *>(pixels));
  return leave(0);
}

// Grey-world white balance of an RGGB mosaic: per channel, the mean of the values
// between the `lowPercent` and `highPercent` percentiles of that channel (so hot pixels,
// a marker word and clipped areas do not pull it); red and blue get the gain that
// brings their mean to the green one, green stays 100. `iterations` is accepted for
// the caller's sake: one pass is exact for this method, so it does not change the result.
// The table must be a live colour table; it is not modified.
QV_VENDOR_EXPORT int QV_VENDOR_CC AUTOBALANCE(int mode, int width, int height,
                                              const void *words, void *colorTable, int zero6,
                                              int lowPercent, int highPercent, int iterations,
                                              int *red, int *green, int *blue) {
  int status = 0;
  if (enter("AUTOBALANCE",
            {mode, width, height, address(words), address(colorTable), zero6, lowPercent,
             highPercent, iterations, address(red), address(green), address(blue)},
            &status))
    return leave(status);
  {
    std::shared_lock lock(gTablesMutex);
    if (!isLive(colorTable, Kind::Colour)) return leave(kBadTable);
  }
  if (words == nullptr || red == nullptr || green == nullptr || blue == nullptr)
    return leave(kNullPointer);
  if (width < 4 || height < 4) return leave(kTooSmall);
  if (mode != 0 || lowPercent < 0 || highPercent > 100 || lowPercent >= highPercent)
    return leave(kBadMode);

  // Histograms of the red, green (both sites) and blue samples.
  const std::unique_ptr<std::array<Histogram, 3>> histograms(
      new (std::nothrow) std::array<Histogram, 3>{});
  if (!histograms) return leave(kNoMemory);
  auto &histogram = *histograms;
  const auto *in = static_cast<const std::uint16_t *>(words);
  const std::size_t w = static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    const std::uint16_t *row = in + static_cast<std::size_t>(y) * w;
    // Even rows hold R G R G ..., odd rows G B G B ...
    const int even = (y & 1) == 0 ? 0 : 1;
    const int odd = (y & 1) == 0 ? 1 : 2;
    for (std::size_t x = 0; x < w; x += 2) ++histogram[even][row[x] & kInputMask];
    for (std::size_t x = 1; x < w; x += 2) ++histogram[odd][row[x] & kInputMask];
  }
  const double meanR = clippedMean(histogram[0], lowPercent, highPercent);
  const double meanG = clippedMean(histogram[1], lowPercent, highPercent);
  const double meanB = clippedMean(histogram[2], lowPercent, highPercent);
  if (meanR <= 0.0 || meanG <= 0.0 || meanB <= 0.0) return leave(kNoSignal);

  *red = gainFactor(meanG, meanR);
  *green = 100;
  *blue = gainFactor(meanG, meanB);
  return leave(0);
}

}  // extern "C"

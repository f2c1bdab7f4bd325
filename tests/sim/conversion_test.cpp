// The simulated conversion library: tables, grey, pseudo-colour and colour conversion,
// the white balance, and its reporting to the control library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "sim/control.h"
#include "vendor/conversion.h"

extern "C" {
#define QV_DECLARE(name) std::remove_pointer_t<name##_fn> name;
QV_CONVERSION_ENTRY_POINTS(QV_DECLARE)
#undef QV_DECLARE
}

namespace {

using Words = std::vector<std::uint16_t>;
using Pixels = std::vector<std::uint32_t>;

constexpr std::uint32_t kUntouched = 0xDEADBEEFu;

// An RGGB mosaic with one value per site colour.
Words mosaic(int width, int height, int red, int green, int blue) {
  Words words(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      words[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint16_t>(
          (y % 2 == 0) ? (x % 2 == 0 ? red : green) : (x % 2 == 0 ? green : blue));
  return words;
}

int luminance(std::uint32_t rgb) {
  return static_cast<int>(299 * ((rgb >> 16) & 0xFF) + 587 * ((rgb >> 8) & 0xFF) +
                          114 * (rgb & 0xFF)) /
         1000;
}

class Conversion : public ::testing::Test {
 protected:
  void SetUp() override {
    qvsim_reset();
    bw = CREATE_BWLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
    pseudo = CREATE_PSEUDOLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
    colour = CREATE_COLORLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
    ASSERT_NE(bw, nullptr);
    ASSERT_NE(pseudo, nullptr);
    ASSERT_NE(colour, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(DELETE_BWLUT_EX(bw), 0);
    EXPECT_EQ(DELETE_PSEUDOLUT_EX(pseudo), 0);
    EXPECT_EQ(DELETE_COLORLUT_EX(colour), 0);
    qvsim_reset();
  }

  std::vector<std::uint8_t> grey(const Words &in) {
    std::vector<std::uint8_t> out(in.size());
    EXPECT_EQ(CONV_BUF_12TO8_EX(0, static_cast<int>(in.size()), 1, in.data(), out.data(), bw), 0);
    return out;
  }
  Pixels pseudoColour(const Words &in) {
    Pixels out(in.size());
    EXPECT_EQ(
        CONV_BUF_12TOPSEUDO_EX(18, static_cast<int>(in.size()), 1, in.data(), out.data(), pseudo),
        0);
    return out;
  }
  Pixels colourOf(const Words &in, int width, int height) {
    Pixels out(in.size(), kUntouched);
    EXPECT_EQ(CONV_BUF_12TOCOL_EX(2, width, height, in.data(), out.data(), colour), 0);
    return out;
  }
  void *pseudoRange() { return static_cast<char *>(pseudo) + kPseudoLutRangeOffset; }

  void *bw = nullptr;
  void *pseudo = nullptr;
  void *colour = nullptr;
};

// ---- Tables ------------------------------------------------------------------------

TEST_F(Conversion, CreationAcceptsOnlyTheStandardArguments) {
  using Create = void *(*)(int, int, int, int);
  const Create creators[] = {CREATE_BWLUT_EX, CREATE_PSEUDOLUT_EX, CREATE_COLORLUT_EX};
  const int bad[][4] = {{8, 0, 255, 0}, {16, 0, 255, 0}, {12, 1, 255, 0},
                        {12, 0, 4095, 0}, {12, 0, 255, 1}};
  for (const Create create : creators)
    for (const auto &args : bad) EXPECT_EQ(create(args[0], args[1], args[2], args[3]), nullptr);
}

TEST_F(Conversion, DeletingABadHandleFailsAndKeepsTheTable) {
  int local = 0;
  void *gone = CREATE_BWLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  ASSERT_EQ(DELETE_BWLUT_EX(gone), 0);
  EXPECT_NE(DELETE_BWLUT_EX(gone), 0) << "twice";
  EXPECT_NE(DELETE_BWLUT_EX(nullptr), 0);
  EXPECT_NE(DELETE_BWLUT_EX(&local), 0);
  EXPECT_NE(DELETE_BWLUT_EX(pseudo), 0);
  EXPECT_NE(DELETE_BWLUT_EX(pseudoRange()), 0);
  EXPECT_NE(DELETE_PSEUDOLUT_EX(bw), 0);
  EXPECT_NE(DELETE_PSEUDOLUT_EX(colour), 0);
  EXPECT_NE(DELETE_COLORLUT_EX(bw), 0);
  EXPECT_NE(DELETE_COLORLUT_EX(nullptr), 0);
  // All three survive: they still convert (and TearDown deletes them).
  EXPECT_EQ(grey({4095})[0], 255);
  EXPECT_NE(pseudoColour({0})[0], kUntouched);
  EXPECT_EQ(colourOf(mosaic(2, 2, 0, 0, 0), 2, 2)[0], 0u);
}

// ---- Black and white -----------------------------------------------------------------

struct WindowCase {
  int low, high;
  double gamma;
  std::vector<std::pair<int, int>> valueToLevel;
};

TEST_F(Conversion, GreyMapsTheWindowWithGamma) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const WindowCase cases[] = {
      {0, 4095, 1.0, {{0, 0}, {1, 0}, {2048, 128}, {4095, 255}}},
      {1000, 2000, 1.0, {{0, 0}, {1000, 0}, {1200, 51}, {1500, 128}, {2000, 255}, {4000, 255}}},
      {0, 4000, 2.0, {{250, 64}, {1000, 128}, {4000, 255}, {4095, 255}}},
      {0, 4000, 0.5, {{2000, 64}, {4000, 255}}},
      // Unusable gammas count as 1.
      {0, 1000, 0.0, {{250, 64}, {500, 128}}},
      {0, 1000, -2.0, {{250, 64}, {500, 128}}},
      {0, 1000, nan, {{250, 64}, {500, 128}}},
      {0, 1000, inf, {{250, 64}, {500, 128}}},
      // An empty or inverted window is a step at low.
      {2000, 2000, 1.0, {{0, 0}, {1999, 0}, {2000, 255}, {4095, 255}}},
      {3000, 1000, 1.0, {{1000, 0}, {2999, 0}, {3000, 255}}},
      // Words above 12 bits use their low 12 bits.
      {0, 4095, 1.0, {{0xF000, 0}, {0xFFFF, 255}, {0x1000 + 2048, 128}}},
  };
  for (const WindowCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.low << ".." << c.high << " gamma " << c.gamma);
    ASSERT_EQ(CONVERT_SET_EX(bw, c.low, c.high, 0, c.gamma), 0);
    Words in;
    for (const auto &pair : c.valueToLevel) in.push_back(static_cast<std::uint16_t>(pair.first));
    const auto out = grey(in);
    for (std::size_t i = 0; i < in.size(); ++i)
      EXPECT_EQ(out[i], c.valueToLevel[i].second) << "value " << c.valueToLevel[i].first;
  }
}

TEST_F(Conversion, UnrangedGreyTableCoversTheFull12BitsRising) {
  Words all(4096);
  for (std::size_t v = 0; v < all.size(); ++v) all[v] = static_cast<std::uint16_t>(v);
  const auto out = grey(all);
  EXPECT_EQ(out.front(), 0);
  EXPECT_EQ(out[2048], 128);
  EXPECT_EQ(out.back(), 255);
  for (std::size_t v = 1; v < out.size(); ++v) ASSERT_GE(out[v], out[v - 1]) << v;
}

// ---- Pseudo-colour -------------------------------------------------------------------

TEST_F(Conversion, PseudoMapRisesInLuminanceBetweenDistinctEnds) {
  Words all(4096);
  for (std::size_t v = 0; v < all.size(); ++v) all[v] = static_cast<std::uint16_t>(v);
  const Pixels out = pseudoColour(all);
  for (std::size_t v = 1; v < out.size(); ++v)
    ASSERT_GE(luminance(out[v]) + 1, luminance(out[v - 1])) << v;
  const std::uint32_t dark = out.front();
  const std::uint32_t bright = out.back();
  EXPECT_EQ(dark >> 24, 0u);
  EXPECT_EQ(bright >> 24, 0u);
  EXPECT_GT(luminance(bright) - luminance(dark), 150);
  EXPECT_GT(dark & 0xFF, (dark >> 8) & 0xFF) << "the dark end is violet";
  EXPECT_GT((bright >> 8) & 0xFF, bright & 0xFF) << "the bright end is yellow";
  EXPECT_GT((bright >> 16) & 0xFF, bright & 0xFF);
}

TEST_F(Conversion, PseudoTableIsRangedThroughHandlePlusEight) {
  const Pixels ends = pseudoColour({0, 4095});
  ASSERT_EQ(CONVERT_SET_EX(pseudoRange(), 1000, 2000, 0, 1.0), 0);
  const Pixels out = pseudoColour({999, 1000, 1500, 2000, 3000});
  EXPECT_EQ(out[0], ends[0]);
  EXPECT_EQ(out[1], ends[0]);
  EXPECT_NE(out[2], ends[0]);
  EXPECT_NE(out[2], ends[1]);
  EXPECT_EQ(out[3], ends[1]);
  EXPECT_EQ(out[4], ends[1]);
  EXPECT_EQ(grey({1000})[0], 62) << "the grey table keeps its own range";
}

TEST_F(Conversion, RangingAnythingElseFailsAndChangesNothing) {
  ASSERT_EQ(CONVERT_SET_EX(pseudoRange(), 100, 200, 0, 1.0), 0);
  ASSERT_EQ(CONVERT_SET_EX(bw, 100, 200, 0, 1.0), 0);
  const Pixels pseudoBefore = pseudoColour({150});
  const auto greyBefore = grey({150});

  int local[4] = {};
  void *deleted = CREATE_BWLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  ASSERT_EQ(DELETE_BWLUT_EX(deleted), 0);
  void *const wrong[] = {nullptr,
                         pseudo,
                         static_cast<char *>(pseudo) + 4,
                         static_cast<char *>(pseudo) + 16,
                         static_cast<char *>(bw) + kPseudoLutRangeOffset,
                         colour,
                         static_cast<char *>(colour) + kPseudoLutRangeOffset,
                         local,
                         deleted};
  for (void *table : wrong) {
    EXPECT_NE(CONVERT_SET_EX(table, 0, 4095, 0, 1.0), 0) << table;
    if (table != colour) {
      EXPECT_NE(CONVERT_SET_COL_EX(table, 0, 0, 0, 4095, 4095, 4095, 0, 1.0, 100.0), 0) << table;
    }
  }
  EXPECT_NE(CONVERT_SET_COL_EX(bw, 0, 0, 0, 4095, 4095, 4095, 0, 1.0, 100.0), 0);
  EXPECT_EQ(pseudoColour({150}), pseudoBefore);
  EXPECT_EQ(grey({150}), greyBefore);
}

// ---- Colour --------------------------------------------------------------------------

struct UniformCase {
  const char *what;
  int red, green, blue;
  double saturation;
  std::uint32_t expected;
};

TEST_F(Conversion, UniformMosaicsGiveUniformColours) {
  const UniformCase cases[] = {
      {"grey", 2048, 2048, 2048, 100.0, 0x808080u},
      {"red", 4095, 0, 0, 100.0, 0xFF0000u},
      {"green", 0, 4095, 0, 100.0, 0x00FF00u},
      {"blue", 0, 0, 4095, 100.0, 0x0000FFu},
      {"red without saturation", 4095, 0, 0, 0.0, 0x4C4C4Cu},
      {"grey without saturation", 2048, 2048, 2048, 0.0, 0x808080u},
      {"negative saturation is none", 0, 0, 4095, -50.0, 0x1C1C1Cu},
      {"orange oversaturated", 4095, 2048, 0, 200.0, 0xFF6900u},
      {"saturation not finite is unchanged", 4095, 2048, 0,
       std::numeric_limits<double>::quiet_NaN(), 0xFF8000u},
  };
  // Odd sizes, so every edge of the mosaic is a different site colour.
  const int width = 5;
  const int height = 3;
  for (const UniformCase &c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(CONVERT_SET_COL_EX(colour, 0, 0, 0, 4095, 4095, 4095, 0, 1.0, c.saturation), 0);
    const Pixels out = colourOf(mosaic(width, height, c.red, c.green, c.blue), width, height);
    for (std::size_t i = 0; i < out.size(); ++i)
      EXPECT_EQ(out[i], c.expected) << "pixel " << i << " is " << std::hex << out[i];
  }
}

TEST_F(Conversion, ColourChannelsHaveTheirOwnWindows) {
  ASSERT_EQ(CONVERT_SET_COL_EX(colour, 0, 0, 2000, 1000, 4095, 4095, 0, 1.0, 100.0), 0);
  const Pixels out = colourOf(mosaic(4, 4, 1000, 1000, 1000), 4, 4);
  for (const std::uint32_t pixel : out) EXPECT_EQ(pixel, 0xFF3E00u);
}

TEST_F(Conversion, DemosaicingInterpolatesBilinearlyAndMirrorsAtEdges) {
  // With the window 0..255 and gamma 1, each channel's level equals its input.
  ASSERT_EQ(CONVERT_SET_COL_EX(colour, 0, 0, 0, 255, 255, 255, 0, 1.0, 100.0), 0);
  const Words in = {
      10,  100, 20,  100,  //
      100, 50,  100, 60,   //
      30,  100, 40,  100,  //
      100, 70,  100, 80,   //
  };
  const int red[16] = {10, 15, 20, 20, 20, 25, 30, 30, 30, 35, 40, 40, 30, 35, 40, 40};
  const int blue[16] = {50, 50, 55, 60, 50, 50, 55, 60, 60, 60, 65, 70, 70, 70, 75, 80};
  const Pixels out = colourOf(in, 4, 4);
  for (std::size_t i = 0; i < 16; ++i) {
    SCOPED_TRACE(::testing::Message() << "x " << i % 4 << " y " << i / 4);
    EXPECT_EQ(static_cast<int>(out[i] >> 16), red[i]);
    EXPECT_EQ(static_cast<int>((out[i] >> 8) & 0xFF), 100);
    EXPECT_EQ(static_cast<int>(out[i] & 0xFF), blue[i]);
  }
}

TEST_F(Conversion, TinyAndOverRangeColourFramesStayInBounds) {
  const Words words = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  const int sizes[][2] = {{1, 1}, {1, 6}, {6, 1}, {2, 3}};
  for (const auto &size : sizes) {
    Pixels out(6, kUntouched);
    ASSERT_EQ(CONV_BUF_12TOCOL_EX(2, size[0], size[1], words.data(), out.data(), colour), 0);
    const auto written = static_cast<std::size_t>(size[0] * size[1]);
    for (std::size_t i = 0; i < out.size(); ++i)
      EXPECT_EQ(out[i], i < written ? 0xFFFFFFu : kUntouched) << i;
  }
}

// ---- Argument errors -----------------------------------------------------------------

TEST_F(Conversion, BadConversionArgumentsFailAndWriteNothing) {
  using Convert = int (*)(int, int, int, const void *, void *, void *);
  struct Entry {
    const char *name;
    Convert convert;
    int mode;
    void *table;
  };
  const Entry entries[] = {
      {"grey", CONV_BUF_12TO8_EX, 0, bw},
      {"pseudo", CONV_BUF_12TOPSEUDO_EX, 18, pseudo},
      {"colour", CONV_BUF_12TOCOL_EX, 2, colour},
  };
  void *deleted = CREATE_COLORLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  ASSERT_EQ(DELETE_COLORLUT_EX(deleted), 0);
  const Words in(16, 1000);
  for (const Entry &e : entries) {
    SCOPED_TRACE(e.name);
    void *good = e.table;
    void *otherKind = good == bw ? pseudo : bw;
    struct Case {
      const char *what;
      int mode, width, height;
      const void *frame;
      bool pixels;
      void *table;
    };
    const Case cases[] = {
        {"null table", e.mode, 4, 4, in.data(), true, nullptr},
        {"other kind", e.mode, 4, 4, in.data(), true, otherKind},
        {"pseudo range", e.mode, 4, 4, in.data(), true, pseudoRange()},
        {"deleted", e.mode, 4, 4, in.data(), true, deleted},
        {"null frame", e.mode, 4, 4, nullptr, true, good},
        {"null pixels", e.mode, 4, 4, in.data(), false, good},
        {"zero width", e.mode, 0, 4, in.data(), true, good},
        {"negative height", e.mode, 4, -1, in.data(), true, good},
        {"wrong mode", e.mode + 1, 4, 4, in.data(), true, good},
    };
    for (const Case &c : cases) {
      SCOPED_TRACE(c.what);
      Pixels out(16, kUntouched);
      EXPECT_NE(e.convert(c.mode, c.width, c.height, c.frame, c.pixels ? out.data() : nullptr,
                          c.table),
                0);
      EXPECT_EQ(out, Pixels(16, kUntouched));
    }
  }
}

// ---- White balance -------------------------------------------------------------------

// A mosaic under warm light: red at twice, blue at half the green level, with a little
// texture, hot pixels and a marker in the first word.
Words warmMosaic(int width, int height) {
  Words words = mosaic(width, height, 0, 0, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int texture = (x * 3 + y * 5) % 41 - 20;
      const int base = (y % 2 == 0) ? (x % 2 == 0 ? 2000 : 1000) : (x % 2 == 0 ? 1000 : 500);
      words[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint16_t>(base + texture);
    }
  }
  // About 1% hot pixels, enough to pull unclipped means well off.
  for (std::size_t i = 97; i < words.size(); i += 97) words[i] = 4095;
  words[0] = 0xFFFF;
  return words;
}

TEST_F(Conversion, AutobalanceNeutralisesAWarmCast) {
  const int width = 64;
  const int height = 48;
  const Words words = warmMosaic(width, height);
  int red = 0x5A5A5A5A, green = 0x5A5A5A5A, blue = 0x5A5A5A5A;
  ASSERT_EQ(AUTOBALANCE(0, width, height, words.data(), colour, 0, 2, 98, 30, &red, &green,
                        &blue),
            0);
  EXPECT_EQ(green, 100);
  EXPECT_NEAR(red, 50, 1);
  EXPECT_NEAR(blue, 200, 1);
  // As gains the factors bring red and blue to the green level.
  EXPECT_NEAR(2000.0 * red / 100.0, 1000.0, 20.0);
  EXPECT_NEAR(500.0 * blue / 100.0, 1000.0, 10.0);
}

TEST_F(Conversion, AutobalanceRejectsBadInputAndWritesNothing) {
  const Words warm = warmMosaic(8, 8);
  const Words noBlue = mosaic(8, 8, 1000, 1000, 0);
  const Words dark = mosaic(8, 8, 0, 0, 0);
  void *deleted = CREATE_COLORLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  ASSERT_EQ(DELETE_COLORLUT_EX(deleted), 0);
  int red = 7, green = 7, blue = 7;
  struct Case {
    const char *what;
    int mode, width, height;
    const void *words;
    void *table;
    int low, high;
    int *r, *g, *b;
  };
  const Case cases[] = {
      {"too narrow", 0, 3, 8, warm.data(), colour, 2, 98, &red, &green, &blue},
      {"too low", 0, 8, 3, warm.data(), colour, 2, 98, &red, &green, &blue},
      {"null table", 0, 8, 8, warm.data(), nullptr, 2, 98, &red, &green, &blue},
      {"grey table", 0, 8, 8, warm.data(), bw, 2, 98, &red, &green, &blue},
      {"pseudo table", 0, 8, 8, warm.data(), pseudo, 2, 98, &red, &green, &blue},
      {"deleted table", 0, 8, 8, warm.data(), deleted, 2, 98, &red, &green, &blue},
      {"null words", 0, 8, 8, nullptr, colour, 2, 98, &red, &green, &blue},
      {"null red", 0, 8, 8, warm.data(), colour, 2, 98, nullptr, &green, &blue},
      {"null green", 0, 8, 8, warm.data(), colour, 2, 98, &red, nullptr, &blue},
      {"null blue", 0, 8, 8, warm.data(), colour, 2, 98, &red, &green, nullptr},
      {"no blue", 0, 8, 8, noBlue.data(), colour, 2, 98, &red, &green, &blue},
      {"dark", 0, 8, 8, dark.data(), colour, 2, 98, &red, &green, &blue},
      {"inverted percentiles", 0, 8, 8, warm.data(), colour, 98, 2, &red, &green, &blue},
      {"wrong mode", 1, 8, 8, warm.data(), colour, 2, 98, &red, &green, &blue},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_NE(AUTOBALANCE(c.mode, c.width, c.height, c.words, c.table, 0, c.low, c.high, 30,
                          c.r, c.g, c.b),
              0);
    EXPECT_EQ(red, 7);
    EXPECT_EQ(green, 7);
    EXPECT_EQ(blue, 7);
  }
}

// ---- Faults and journal --------------------------------------------------------------

TEST_F(Conversion, InjectedFaultsReturnTheirStatusAndDoNothing) {
  const Words in(4, 4095);
  const Words warm = warmMosaic(8, 8);
  std::vector<std::uint8_t> bytes;
  int red = 0, green = 0, blue = 0;
  const auto nothing = [] {};
  struct Case {
    const char *name;
    std::function<int()> call;
    std::function<void()> undo;  // after the call that went through
    std::function<bool()> untouched;
  };
  const Case cases[] = {
      {"CONV_BUF_12TO8_EX",
       [&] { return CONV_BUF_12TO8_EX(0, 4, 1, in.data(), bytes.data(), bw); }, nothing,
       [&] { return bytes == std::vector<std::uint8_t>(4, 0xAB); }},
      {"CONVERT_SET_EX", [&] { return CONVERT_SET_EX(bw, 0, 10, 0, 1.0); },
       nothing,
       [&] { return grey({5})[0] == 0; }},
      {"DELETE_BWLUT_EX", [&] { return DELETE_BWLUT_EX(bw); },
       [&] { bw = CREATE_BWLUT_EX(kLutBits, kLutLow, kLutHigh, 0); },
       [&] { return grey({4095})[0] == 255; }},
      {"AUTOBALANCE",
       [&] {
         return AUTOBALANCE(0, 8, 8, warm.data(), colour, 0, 2, 98, 30, &red, &green, &blue);
       },
       nothing, [&] { return red == 7 && green == 7 && blue == 7; }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    qvsim_fail(c.name, 77, 0, 1);
    red = green = blue = 7;
    bytes.assign(4, 0xAB);
    qvsim_journal_clear();
    EXPECT_EQ(c.call(), 77);
    QvSimCall entry{};
    ASSERT_EQ(qvsim_journal_get(0, &entry), 1);
    EXPECT_STREQ(entry.name, c.name);
    EXPECT_EQ(entry.result, 77);
    EXPECT_TRUE(c.untouched());
    EXPECT_EQ(c.call(), 0) << "one failure only";
    c.undo();
  }
  const char *creators[] = {"CREATE_BWLUT_EX", "CREATE_PSEUDOLUT_EX", "CREATE_COLORLUT_EX"};
  for (const char *name : creators) qvsim_fail(name, 5, 0, 1);
  qvsim_journal_clear();
  EXPECT_EQ(CREATE_BWLUT_EX(kLutBits, kLutLow, kLutHigh, 0), nullptr);
  EXPECT_EQ(CREATE_PSEUDOLUT_EX(kLutBits, kLutLow, kLutHigh, 0), nullptr);
  EXPECT_EQ(CREATE_COLORLUT_EX(kLutBits, kLutLow, kLutHigh, 0), nullptr);
  ASSERT_EQ(qvsim_journal_count(), 3);
  for (int i = 0; i < 3; ++i) {
    QvSimCall entry{};
    ASSERT_EQ(qvsim_journal_get(i, &entry), 1);
    EXPECT_STREQ(entry.name, creators[i]);
    EXPECT_EQ(entry.result, 0);
  }
}

TEST_F(Conversion, CallsAreJournalledWithTheirArguments) {
  qvsim_journal_clear();
  ASSERT_EQ(CONVERT_SET_COL_EX(colour, 1, 2, 3, 4001, 4002, 4003, 0, 1.5, 80.0), 0);
  ASSERT_EQ(CONVERT_SET_EX(pseudoRange(), 10, 20, 0, 0.7), 0);
  void *table = CREATE_BWLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  ASSERT_EQ(DELETE_BWLUT_EX(table), 0);
  EXPECT_NE(DELETE_BWLUT_EX(table), 0);

  struct Expected {
    const char *name;
    std::vector<long long> args;
    std::vector<double> reals;
    int result;
  };
  const auto address = [](const void *p) {
    return static_cast<long long>(reinterpret_cast<std::uintptr_t>(p));
  };
  const Expected expected[] = {
      {"CONVERT_SET_COL_EX", {address(colour), 1, 2, 3, 4001, 4002, 4003, 0}, {1.5, 80.0}, 0},
      {"CONVERT_SET_EX", {address(pseudoRange()), 10, 20, 0}, {0.7}, 0},
      {"CREATE_BWLUT_EX", {12, 0, 255, 0}, {}, 1},
      {"DELETE_BWLUT_EX", {address(table)}, {}, 0},
      {"DELETE_BWLUT_EX", {address(table)}, {}, -1},  // -1: any non-zero
  };
  ASSERT_EQ(qvsim_journal_count(), 5);
  for (int i = 0; i < 5; ++i) {
    const Expected &e = expected[i];
    SCOPED_TRACE(i);
    QvSimCall entry{};
    ASSERT_EQ(qvsim_journal_get(i, &entry), 1);
    EXPECT_STREQ(entry.name, e.name);
    EXPECT_EQ(std::vector<long long>(entry.arg, entry.arg + entry.argCount), e.args);
    EXPECT_EQ(std::vector<double>(entry.real, entry.real + entry.realCount), e.reals);
    if (e.result < 0) {
      EXPECT_NE(entry.result, 0);
    } else {
      EXPECT_EQ(entry.result, e.result);
    }
  }
}

}  // namespace

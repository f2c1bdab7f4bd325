// Helpers shared by the fault matrix and the bad-input cases: a small pattern-mode
// camera, scripted frames, and the ways Java can see the library's state.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "jvm/harness.h"

namespace reliability {

using Ints = std::vector<int>;
using Names = std::vector<std::string>;
using jvmtest::sim;

inline constexpr int kWidth = 64;
inline constexpr int kHeight = 48;
inline constexpr int kPixels = kWidth * kHeight;
// The status every injected fault returns (creation calls return a null handle).
inline constexpr int kFault = 7;
inline constexpr int kWhiteBalanceFailed = -1609420799;
inline constexpr int kNotLoaded = -56;
inline constexpr int kIncomplete = -54;
inline constexpr int kBadSettings = -57;

// Fresh simulator state for a group of cases: pattern frames of kWidth x kHeight, 1 ms
// exposure, the colour flag, and an event handle no wait accepts when asked.
void configure(int color, bool invalidEvent = false);

// The status words of the next acquisitions. Under scriptedSettings the sensor's own
// timeline delivers no frame within a test, so once the script has run out no late
// frame can leave the event set, and the next script starts afresh at the next
// ADD_BUFFER_TO_LIST.
void scriptFrames(std::vector<QvSimStep> steps);
// One frame, complete at the first wait.
inline void scriptOneFrame() { scriptFrames({{1, 2}}); }

// lastStatus as Java sees it: in video mode RunCOCAsVIDEO returns it and calls nothing.
// Fails the test when the call reaches the driver (the camera is not in video mode).
int lastStatus();

// The stored bounds and factors: AutoMinMax and WhiteBalance with a null region return
// them unchanged.
Ints storedBounds();
Ints storedFactors();

// The recovery every case ends with: release, bring-up, video set-up and one frame,
// which must all work and give a correct pattern frame.
void expectRecovers(int color);

// A frame of kWidth x kHeight is the pattern frame of some frame number.
void expectPatternFrame(const std::vector<short> &frame);

// The names of the journal entries, and how often one occurs.
Names namesOf(const std::vector<QvSimCall> &calls);
int countOf(const std::vector<QvSimCall> &calls, const std::string &name);

// Settings with an exposure of 60 s, so that only scripted frames ever arrive: factors
// 100, full range, lutParam 1.0, colorParam 100.
Ints scriptedSettings(int videoMode);
// The same with values that differ from every default, so that each stored value can
// be told from the one before: factors 80, 100, 120, range 100..3000, lutParam 1.5,
// colorParam 80.
Ints distinctSettings(int videoMode);

// Full-image region.
inline Ints wholeImage() { return {0, 0, kWidth, kHeight}; }

}  // namespace reliability

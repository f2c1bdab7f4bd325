// The settings decoding: the mode word for any two ints, and SetUpCamera with any
// settings array (null, short, long; any values) against the in-process fake vendor
// libraries, whose calls can fail with any status. Properties: the mode word carries
// only the triggered bit and the mode; a null or short array changes nothing and calls
// nothing; SETMODE gets its arguments in their places with the fixed 0, 0, 12, 0; the
// stored values are those of the array; the result is the first failing status of
// STOP_CAMERA or SETMODE, or lastStatus.
#include <vector>

#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "fakes/fake_vendor.h"
#include "fuzz/fuzz_input.h"

namespace {

void checkModeWord(int mode, int videoMode) {
  const unsigned word = static_cast<unsigned>(qv::modeWord(mode, videoMode));
  FUZZ_CHECK((word & 1u) == (videoMode == 0 ? 1u : 0u));
  FUZZ_CHECK((word & 0xEu) == 0);
  const unsigned expectedMode = static_cast<unsigned>(mode == 0 ? 3 : mode) & 0x0FFFFFFFu;
  FUZZ_CHECK((word >> 4) == expectedMode);
}

int statusFor(fuzz::Input &in) {
  const std::uint8_t b = in.byte();
  return b < 192 ? 0 : (b < 224 ? 7 : in.anyInt());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Input in(data, size);
  checkModeWord(in.anyInt(), in.anyInt());

  fake::install();
  std::array<int, 4> up{};
  if (qv::bringUpCamera(up) != 0) return 0;
  for (const char *entry : {"STOP_CAMERA", "SETMODE", "START_CAMERA", "CONVERT_SET_EX",
                            "CONVERT_SET_COL_EX", "ADD_BUFFER_TO_LIST", "GETBUFFER_STATUS"})
    fake::vendor.failWith[entry] = statusFor(in);
  if (in.byte() % 4 == 0) fake::vendor.failWith["CREATE_BWLUT_EX"] = 1;
  fake::vendor.lastWord = in.byte() % 4;
  fake::vendor.calls.clear();

  const bool null = in.byte() % 8 == 0;
  std::vector<std::int32_t> settings(static_cast<std::size_t>(in.inRange(0, 20)));
  for (std::int32_t &value : settings) value = in.anyInt();
  const int before[] = {qv::red, qv::green, qv::blue, qv::displayMin, qv::displayMax};

  const int status = qv::setUpCamera(null ? nullptr : settings.data(), settings.size());
  if (null || settings.size() < qv::kSettingsCount) {
    FUZZ_CHECK(status == qv::kStatusBadSettings);
    FUZZ_CHECK(fake::vendor.calls.empty());
    const int after[] = {qv::red, qv::green, qv::blue, qv::displayMin, qv::displayMax};
    for (int i = 0; i < 5; ++i) FUZZ_CHECK(before[i] == after[i]);
    return 0;
  }
  const std::vector<std::int32_t> &s = settings;
  FUZZ_CHECK(qv::red == s[7] && qv::green == s[8] && qv::blue == s[9]);
  FUZZ_CHECK(qv::displayMin == s[10] && qv::displayMax == s[11]);

  const int stop = fake::vendor.failWith["STOP_CAMERA"];
  const fake::Call *mode = fake::vendor.last("SETMODE");
  if (stop != 0) {
    FUZZ_CHECK(status == stop && mode == nullptr);
    return 0;
  }
  FUZZ_CHECK(mode != nullptr);
  const std::vector<long long> expected{mode->args[0], qv::modeWord(s[0], s[5]), 0, s[3], s[1],
                                        s[2], s[4], 0, 12, 0};
  FUZZ_CHECK(mode->args == expected);
  const int setMode = fake::vendor.failWith["SETMODE"];
  if (setMode != 0) {
    FUZZ_CHECK(status == setMode);
    return 0;
  }
  FUZZ_CHECK(qv::camera().videoMode == s[5]);
  FUZZ_CHECK(qv::lutParam == s[12] / 100.0 && qv::colorParam == static_cast<double>(s[13]));
  if (const fake::Call *colour = fake::vendor.last("CONVERT_SET_COL_EX"))
    FUZZ_CHECK(colour->args[1] == 50 && colour->args[2] == 50 && colour->args[3] == 50);
  if (const fake::Call *bw = fake::vendor.last("CONVERT_SET_EX"))
    FUZZ_CHECK(bw->args[1] == s[10] && bw->args[2] == s[11]);
  FUZZ_CHECK(status == qv::lastStatus);
  return 0;
}

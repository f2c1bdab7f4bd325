// Replaces the real event wait and pause with the fake's script, so that the
// acquisition loop runs through time-outs and failures without waiting.
#include "fakes/fake_vendor.h"

namespace qv::platform {

WaitResult waitForEvent(void *, int timeoutMs) {
  fake::vendor.waitTimeouts.push_back(timeoutMs);
  fake::vendor.calls.push_back({"wait", {timeoutMs}, {}});
  if (fake::vendor.waits.empty()) return WaitResult::Signalled;
  const WaitResult result = fake::vendor.waits.front();
  fake::vendor.waits.pop_front();
  return result;
}

void sleepMs(int ms) {
  fake::vendor.sleeps.push_back(ms);
  fake::vendor.calls.push_back({"sleep", {ms}, {}});
}

}  // namespace qv::platform

// In-process fakes of both vendor libraries, installed straight into the library's
// entry-point tables, and a scripted picture event. Every call is recorded with its
// arguments; any call can be given a status, and the status words and wait outcomes of
// an acquisition can be scripted.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/wait.h"

namespace fake {

struct Call {
  std::string name;
  std::vector<long long> args;
  std::vector<double> reals;
};

struct Vendor {
  std::vector<Call> calls;
  // Status returned by every call of an entry point (creation calls: a null handle).
  std::map<std::string, int> failWith;
  // Statuses returned by the next calls of an entry point, before failWith applies.
  std::map<std::string, std::deque<int>> nextResults;

  int fullWidth = 64;
  int fullHeight = 48;
  int imageWidth = 64;
  int imageHeight = 48;
  int boardValue = 2;
  int allocatedSize = -1;  // what ALLOCATE_BUFFER writes back; -1 leaves the size as given
  std::vector<std::uint16_t> buffer;  // what MAP_BUFFER maps
  void *event = reinterpret_cast<void *>(static_cast<std::intptr_t>(7));

  // GETBUFFER_STATUS words in order; once used up, `lastWord` for good.
  std::deque<int> statusWords;
  int lastWord = 2;
  // Outcomes of the waits in order; once used up, every wait is signalled.
  std::deque<qv::platform::WaitResult> waits;
  std::vector<int> waitTimeouts;
  std::vector<int> sleeps;

  // Words AUTOBALANCE received, and the slots it writes on success.
  std::vector<std::uint16_t> balanceWords;
  int balanceSlots[3] = {100, 100, 100};
  // Bytes/ints the conversions write per pixel.
  int convertedValue = 0x55;

  std::vector<std::string> names() const;
  int count(const std::string &name) const;
  const Call *last(const std::string &name) const;
};

extern Vendor vendor;

// Resets the library state and the fake, and fills both entry-point tables with fakes,
// as a successful load would.
void install();
// Fills only the driver table, as after a conversion library that failed to load.
void installDriverOnly();

// Distinct handles the creation calls hand out.
void *colorHandle();
void *bwHandle();
void *pseudoHandle();

}  // namespace fake

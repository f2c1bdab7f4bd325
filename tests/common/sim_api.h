// The simulator's control calls and the conversion calls a test compares against,
// bound by name through whatever symbol lookup the platform's harness has. Shared by
// the JVM suite on Linux and the Windows suite under Wine.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/control.h"
#include "vendor/conversion.h"

namespace simapi {

// Address of an exported symbol of one loaded library, or null.
using Lookup = std::function<void *(const char *name)>;

struct Sim {
  void (*setInt)(const char *, int);
  int (*getInt)(const char *);
  int (*patternValue)(int, int, int, int);
  void (*reset)();
  void (*fail)(const char *, int, int, int);
  void (*clearFaults)();
  void (*script)(const QvSimStep *, int, int);
  int (*journalCount)();
  int (*journalGet)(int, QvSimCall *);
  void (*journalClear)();

  std::vector<QvSimCall> journal() const;
  std::vector<std::string> names() const;
  // The last journal entry for name; fails the test when there is none.
  QvSimCall last(const std::string &name) const;
  int count(const std::string &name) const;
};
// Binds every call from the qvsim library; a missing one fails the test.
Sim bindSim(const Lookup &lookup);

// The conversion library's calls that turn a frame into what the library must deliver.
struct Conversion {
  CREATE_BWLUT_EX_fn createBw;
  CREATE_PSEUDOLUT_EX_fn createPseudo;
  CREATE_COLORLUT_EX_fn createColor;
  CONVERT_SET_EX_fn set;
  CONVERT_SET_COL_EX_fn setColor;
  CONV_BUF_12TO8_EX_fn to8;
  CONV_BUF_12TOPSEUDO_EX_fn toPseudo;
  CONV_BUF_12TOCOL_EX_fn toColor;
};
Conversion bindConversion(const Lookup &lookup);

}  // namespace simapi

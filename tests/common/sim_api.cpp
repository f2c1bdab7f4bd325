#include "common/sim_api.h"

#include <gtest/gtest.h>

#include <cstring>

namespace simapi {

namespace {

template <typename Slot>
void bind(const Lookup &lookup, Slot &slot, const char *name) {
  void *address = lookup(name);
  EXPECT_NE(address, nullptr) << name;
  static_assert(sizeof slot == sizeof address);
  std::memcpy(&slot, &address, sizeof slot);
}

}  // namespace

Sim bindSim(const Lookup &lookup) {
  Sim s{};
  bind(lookup, s.setInt, "qvsim_set_int");
  bind(lookup, s.getInt, "qvsim_get_int");
  bind(lookup, s.patternValue, "qvsim_pattern_value");
  bind(lookup, s.reset, "qvsim_reset");
  bind(lookup, s.fail, "qvsim_fail");
  bind(lookup, s.clearFaults, "qvsim_clear_faults");
  bind(lookup, s.script, "qvsim_script");
  bind(lookup, s.journalCount, "qvsim_journal_count");
  bind(lookup, s.journalGet, "qvsim_journal_get");
  bind(lookup, s.journalClear, "qvsim_journal_clear");
  return s;
}

Conversion bindConversion(const Lookup &lookup) {
  Conversion c{};
  bind(lookup, c.createBw, "CREATE_BWLUT_EX");
  bind(lookup, c.createPseudo, "CREATE_PSEUDOLUT_EX");
  bind(lookup, c.createColor, "CREATE_COLORLUT_EX");
  bind(lookup, c.set, "CONVERT_SET_EX");
  bind(lookup, c.setColor, "CONVERT_SET_COL_EX");
  bind(lookup, c.to8, "CONV_BUF_12TO8_EX");
  bind(lookup, c.toPseudo, "CONV_BUF_12TOPSEUDO_EX");
  bind(lookup, c.toColor, "CONV_BUF_12TOCOL_EX");
  return c;
}

std::vector<QvSimCall> Sim::journal() const {
  std::vector<QvSimCall> calls(static_cast<std::size_t>(journalCount()));
  for (std::size_t i = 0; i < calls.size(); ++i) journalGet(static_cast<int>(i), &calls[i]);
  return calls;
}

std::vector<std::string> Sim::names() const {
  std::vector<std::string> out;
  for (const QvSimCall &call : journal()) out.emplace_back(call.name);
  return out;
}

QvSimCall Sim::last(const std::string &name) const {
  const std::vector<QvSimCall> calls = journal();
  for (auto it = calls.rbegin(); it != calls.rend(); ++it)
    if (name == it->name) return *it;
  ADD_FAILURE() << "no call of " << name;
  return QvSimCall{};
}

int Sim::count(const std::string &name) const {
  int n = 0;
  for (const QvSimCall &call : journal()) n += name == call.name ? 1 : 0;
  return n;
}

}  // namespace simapi

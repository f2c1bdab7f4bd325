// What the benchmark measured, and how it is shown: the table on the terminal, the
// results as JSON, a markdown table and the data of the bar chart.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace qvbench {

// Keys of the measured operations and of their floors.
namespace op {
inline constexpr const char *kAcquire = "acquire";
inline constexpr const char *kJniContractFloor = "jni_contract_floor";
inline constexpr const char *kSetRegionFloor = "set_region_floor";
inline constexpr const char *kMemcpyFrame = "memcpy_frame";
inline constexpr const char *kAcquire8 = "acquire8";
inline constexpr const char *kAcquireRgb = "acquire_rgb";
inline constexpr const char *kConv8 = "conv_12to8";
inline constexpr const char *kConvPseudo = "conv_12topseudo";
inline constexpr const char *kConvColour = "conv_12tocol";
inline constexpr const char *kOverhead = "own_overhead";
inline constexpr const char *kDriverSequence = "driver_sequence";
inline constexpr const char *kJniCall = "jni_call";
inline constexpr const char *kAutoMinMax = "auto_min_max";
inline constexpr const char *kHistogramLoop = "histogram_loop";
inline constexpr const char *kWhiteBalance = "white_balance";
inline constexpr const char *kAutoBalance = "autobalance";
}  // namespace op

// Every key above, in the order the table shows them.
const std::vector<std::string> &operationKeys();
// What the operation is, in words.
const char *operationLabel(const std::string &key);

struct Measurement {
  std::vector<double> samples;     // microseconds per operation, one per timed iteration
  std::vector<double> cpuSamples;  // the calling thread's CPU time for the same iterations
  int repetitions = 0;
  long long iterations = 0;     // iterations in all repetitions
  std::string error;            // why the benchmark stopped, when it did

  bool valid() const { return error.empty() && !samples.empty(); }
  double median() const;
  double cpuMedian() const;
  double min() const;
  double max() const;
  // The value below which `fraction` of the samples lie (0.5: the median).
  double quantile(double fraction) const;
};

struct SizeResult {
  int width = 0;
  int height = 0;
  std::map<std::string, Measurement> operations;
  double megapixels() const { return static_cast<double>(width) * height / 1e6; }
};

struct SoakResult {
  bool ran = false;
  int width = 0;
  int height = 0;
  int frames = 0;
  int failures = 0;          // acquisitions that did not return 0
  long long rssStartKiB = 0;  // resident memory before the first acquisition
  long long rssEndKiB = 0;    // ...after the last
  long long rssMaxKiB = 0;    // ...the most seen at any sample along the way
  double seconds = 0;
  double framesPerSecond() const { return seconds > 0 ? frames / seconds : 0; }
};

struct Machine {
  int cpus = 0;
  std::string cpuModel;
  std::string date;     // UTC, ISO 8601
  double loadAverage = 0;  // one-minute load when the run started
};

struct Results {
  Machine machine;
  int repetitions = 0;
  double minTimeSeconds = 0;
  bool quick = false;
  std::vector<SizeResult> sizes;
  SoakResult soak;
};

// One row of the table: an operation against a floor (a ratio), or against an
// absolute budget in microseconds when floor is null.
struct Comparison {
  const char *operation;
  const char *floor;
  double target;        // the ratio (or, without a floor, the microseconds) not to exceed; 0: none
  const char *chartLabel;  // null: not in the chart
};
const std::vector<Comparison> &comparisons();

// The comparison's value at one size: a ratio, or microseconds for a budget row; false
// when either measurement is missing.
bool comparisonValue(const SizeResult &size, const Comparison &comparison, double &value);

Machine describeMachine();

void printTable(const Results &results, std::FILE *out);
void writeJson(const Results &results, const std::string &path);
void writeMarkdown(const Results &results, const std::string &path);
// Columns: label, the value at each size, the target ("-" for none).
void writeChartData(const Results &results, const std::string &path);

// True when every target that could be evaluated was met.
bool allTargetsMet(const Results &results);

}  // namespace qvbench

// Control interface of the simulated camera. It lives in the small shared library
// qvsim (libqvsim.so / qvsim.dll), which the simulated driver and the simulated
// conversion library both depend on and which sits beside them. Tests, benchmarks
// and tools load that same file from the same folder and steer the simulator through
// these calls: settings, injected faults, scripted acquisitions and a journal of
// every vendor call made.
#pragma once

#include "platform/callconv.h"

extern "C" {

// ---- Settings --------------------------------------------------------------------
// Integer settings by key. Each starts from its environment variable (QVSIM_<KEY> in
// upper case, e.g. QVSIM_WIDTH) or its default, and is read by the simulator when the
// board is opened (INITBOARD) unless noted. Keys:
//   "width", "height"   full sensor size in pixels (default 1392 x 1040)
//   "color"             1 for a colour (RGGB Bayer) sensor, 0 for monochrome (default 0)
//   "pattern"           1: every pixel is predictable, see qvsim_pattern_value (default 0)
//   "exposure_ms"       default exposure when SETMODE gives none
//   "fast"              1: completing a frame only marks and signals it; the buffer's
//                       pixels are left as they are (for benchmarks)
//   "invalid_event"     1: SETBUFFER_EVENT hands out a handle that no wait accepts
//   "oversize"          N > 0: GETSIZES reports an image N pixels wider than the buffer
//   "seed"              noise seed
// Unknown keys are ignored by set and read as 0 by get.
QV_VENDOR_EXPORT void qvsim_set_int(const char *key, int value);
QV_VENDOR_EXPORT int qvsim_get_int(const char *key);

// The value of pixel (x, y) of frame number `frame` in pattern mode, for an image of
// the given width; tests use it to predict the whole frame.
QV_VENDOR_EXPORT int qvsim_pattern_value(int x, int y, int width, int frame);

// Back to the state after loading: settings from the environment, no faults, no
// script, an empty journal, the frame counter at its start value.
QV_VENDOR_EXPORT void qvsim_reset(void);

// ---- Faults ----------------------------------------------------------------------
// Makes entry point `name` (e.g. "GETBOARDVAL", "CREATE_BWLUT_EX") fail: the next
// `skip` calls behave normally, then `times` calls fail (times < 0: every call from
// then on). A failing call returns `status` and does nothing else; a failing creation
// call returns a null handle. A later call for the same name replaces the earlier one.
QV_VENDOR_EXPORT void qvsim_fail(const char *name, int status, int skip, int times);
QV_VENDOR_EXPORT void qvsim_clear_faults(void);

// ---- Scripted acquisitions -------------------------------------------------------
// While a script is set, the sensor timeline completes no frames by itself. Instead
// each GETBUFFER_STATUS call consumes one step and reports its status word, and
// whether the picture event is signalled before the wait that precedes that query is
// the step's `signal`. Step 0 is armed by the next ADD_BUFFER_TO_LIST; each consumed
// step arms the next. When a step that signals is armed, a frame is written into the
// queued buffer first. After the last step the last one repeats when repeatLast is
// non-zero; otherwise the script ends and the timeline takes over again.
typedef struct QvSimStep {
  int signal;               // 1: the event is set before the wait
  unsigned int statusWord;  // what GETBUFFER_STATUS reports for this step
} QvSimStep;
QV_VENDOR_EXPORT void qvsim_script(const QvSimStep *steps, int count, int repeatLast);

// ---- Journal ---------------------------------------------------------------------
// Every vendor entry point appends one entry when it is called, faulted or not.
// Integer arguments go to arg[] in order (pointers as their address, out-parameters as
// their address), double arguments to real[] in order.
typedef struct QvSimCall {
  char name[32];
  int argCount;
  long long arg[12];
  int realCount;
  double real[2];
  int result;  // what the call returned (creation calls: 1 for a handle, 0 for null)
} QvSimCall;
QV_VENDOR_EXPORT int qvsim_journal_count(void);
// Copies entry `index` (0 = oldest kept) into *out; returns 0 when there is none.
QV_VENDOR_EXPORT int qvsim_journal_get(int index, QvSimCall *out);
QV_VENDOR_EXPORT void qvsim_journal_clear(void);

// ---- For the simulated libraries themselves ----------------------------------------
// Called on entry by every simulated vendor entry point. Records the call and returns
// 1 with *status set when a fault is armed for it, 0 otherwise. qvsim_leave stores the
// result of the call in its journal entry.
QV_VENDOR_EXPORT int qvsim_enter(const char *name, int argCount, const long long *args,
                                 int realCount, const double *reals, int *status);
QV_VENDOR_EXPORT void qvsim_leave(int result);
}

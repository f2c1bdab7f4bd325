// Calls of the qvsim control library that only the simulated vendor libraries use.
// Tests may call them too, to look at the simulator's state.
//
// How the simulated driver uses the script (see qvsim_script in control.h):
//   - qvsim_script_active() is non-zero while a script is set and has not ended; while
//     it is, the driver's own timeline completes no frames.
//   - qvsim_script_peek() reads the step that the next GETBUFFER_STATUS will consume,
//     without consuming it: that is the armed step. ADD_BUFFER_TO_LIST arms step 0
//     (qvsim_script_index() is 0 before anything was consumed), and when the peeked
//     step signals, the driver writes a frame into the queued buffer and sets the
//     picture event.
//   - GETBUFFER_STATUS calls qvsim_script_next() and reports the step's statusWord.
//     After that, qvsim_script_peek() gives the newly armed step. When the last step
//     has been consumed and repeatLast was zero, the script has ended:
//     qvsim_script_active() becomes 0, next/peek return 0 and the timeline takes over.
//     With repeatLast non-zero the last step is handed out again forever.
#pragma once

#include "sim/control.h"

extern "C" {

// Non-zero while a script is set and has not ended.
QV_VENDOR_EXPORT int qvsim_script_active(void);
// Consumes the next step into *out (out may be null) and returns 1; returns 0 and
// leaves *out alone when there is no script or it has ended.
QV_VENDOR_EXPORT int qvsim_script_next(QvSimStep *out);
// Like qvsim_script_next, but does not consume the step.
QV_VENDOR_EXPORT int qvsim_script_peek(QvSimStep *out);
// Index of the step that qvsim_script_next would return, -1 when there is none.
QV_VENDOR_EXPORT int qvsim_script_index(void);

// Changes with every qvsim_script call and every consumed step: an armed step is the
// same step exactly while this number is unchanged, also when a new script or a
// repeated last step has the same index.
QV_VENDOR_EXPORT unsigned qvsim_script_serial(void);

// Hands out frame numbers: the first call after loading or qvsim_reset returns
// kQvSimFirstFrameNumber, each call one more, wrapping from 0xFFFFFFFF to 0. The start
// lies just below the wrap so that counter faults show within the first frames.
QV_VENDOR_EXPORT unsigned qvsim_next_frame_number(void);
}

// qvsim_pattern_value(x, y, width, frame) is
//     (7 * x + 13 * y + 5 * frame) mod 4096
// computed in unsigned 32-bit arithmetic (so negative or wrapped frame numbers are
// fine, and frame may be a frame number cast to int). Horizontal neighbours differ by
// 7, vertical ones by 13 and consecutive frames by 5, so a shifted column, a wrong row
// stride or a stale frame all change the value; a full-size frame holds every value
// 0..4095. `width` does not enter the value.

inline constexpr unsigned kQvSimFirstFrameNumber = 0xFFFFFFF0u;
// Entries the journal keeps; when full, each new entry drops the oldest.
inline constexpr int kQvSimJournalCapacity = 65536;

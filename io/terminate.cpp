#include "io/terminate.hpp"

#include <new>

#include "io/runtime_error.hpp"
#include "io/units.hpp"

namespace io {

void stop_run(int status) {
  close_all();
  throw RunStopped{status};
}

int run_to_end(void (*body)(void* context), void* context) {
  try {
    try {
      body(context);
    } catch (const std::bad_alloc&) {
      // The routines that were active have unwound by now, so the traceback
      // has no rows; the large requests check for themselves and stop
      // before unwinding, with the routines in place.
      out_of_memory();
    }
  } catch (const RunStopped& stop) {
    return stop.status;
  }
  return kStatusNormal;
}

}  // namespace io

#include "io/terminate.hpp"

#include "io/units.hpp"

namespace io {

void stop_run(int status) {
  close_all();
  throw RunStopped{status};
}

}  // namespace io

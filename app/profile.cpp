#include "app/profile.hpp"

#include <cmath>

#include "app/real_loop.hpp"
#include "app/state.hpp"
#include "io/call_trace.hpp"

void PROFIL(float NVORT, RealArray& RHS2, RealArray& YPROF, float ALPHA, float VINF) {
  io::CallScope trace("PROFIL");
  ProfileState& own = app_state().profil;
  int& k = own.k;
  float& x = own.x;
  k = 0;
  // The trip count comes from the spacing in double, so some whole counts (93,
  // for one) make one pass fewer than NVORT.
  const double h = 1.0 / double(NVORT);
  real_loop(x, h, 1.0, h, [&] {
    k = k + 1;
    // The camber line: a square-root nose, a flat middle, a straight fall. Past
    // 1.0 the ordinate is left as it was.
    if (x >= 0.0f && x < 0.2f) {
      YPROF(k) = float(std::sqrt(double(x)) * 0.25);
    } else if (x >= 0.2f && x < 0.6f) {
      YPROF(k) = 0.1f;
    } else if (x >= 0.6f && x <= 1.0f) {
      YPROF(k) = float(-(double(x) * 0.25) + 0.25);
    }
    // Backward difference, divided by the spacing recomputed in double.
    if (k == 1) {
      own.SLOPE(k) = float((double(YPROF(k)) - 0.0) / (1.0 / double(NVORT)));
    } else {
      own.SLOPE(k) = float((double(YPROF(k)) - double(YPROF(k - 1))) / (1.0 / double(NVORT)));
    }
    RHS2(k) = float((double(ALPHA) - double(own.SLOPE(k))) * double(VINF));
  });
}

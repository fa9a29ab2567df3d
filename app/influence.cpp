#include "app/influence.hpp"

#include "app/division_loops.hpp"
#include "app/real_loop.hpp"
#include "app/state.hpp"
#include "io/call_trace.hpp"

void COORD(RealArray& XV, RealArray& XC, float NVORT) {
  io::CallScope trace("COORD");
  CoordState& coord = app_state().coord;
  // The offsets divide 0.25 and 0.75 by NVORT; they are not fractions of the
  // stored spacing.
  coord.spacing = float(1.0 / double(NVORT));
  coord.quarter = float(0.25 / double(NVORT));
  coord.threequarter = float(0.75 / double(NVORT));
  float& i = coord.i;
  real_loop(i, 1.0, double(NVORT), 1.0, [&] {
    XV(subscript(i)) = float((double(i) - 1.0) * double(coord.spacing) + double(coord.quarter));
    XC(subscript(i)) =
        float((double(i) - 1.0) * double(coord.spacing) + double(coord.threequarter));
  });
}

void MATRICA(RealArray& XV, float NVORT, RealMatrix& AMAT, RealArray& RHS1, float ALPHA,
             float VINF) {
  io::CallScope trace("MATRICA");
  MatricaState& matrica = app_state().matrica;
  // 2 pi as 6.28 here; the pressure step uses 6.2832.
  matrica.divisor = 6.28f;
  COORD(XV, matrica.XC, NVORT);
  float& i = matrica.i;
  float& j = matrica.j;
  const int rows = real_trips(1.0, double(NVORT), 1.0);
  real_loop(i, 1.0, double(NVORT), 1.0, [&] {
    RHS1(subscript(i)) = float(double(ALPHA) * double(VINF));
    if (rows <= kExtent) {
      // Every subscript of the column is within bounds: the column is formed
      // in one vectorised loop, and the row counter ends where the loop would
      // leave it.
      influence_column(rows, &matrica.XC(1), double(XV(subscript(i))), double(matrica.divisor),
                       &AMAT(1, subscript(i)));
      j = float(double(rows) + 1.0);
      return;
    }
    real_loop(j, 1.0, double(NVORT), 1.0, [&] {
      AMAT(subscript(j), subscript(i)) =
          float((1.0 / (double(matrica.XC(subscript(j))) - double(XV(subscript(i))))) /
                double(matrica.divisor));
    });
  });
}

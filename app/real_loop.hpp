#pragma once
// The real-counted loop. First value, last value and step are evaluated once in
// double; the trip count (last - first + step) / step is computed in double and
// truncated; the counter starts at the first value rounded to float and, after
// each pass, becomes counter + step with the step rounded to float and the sum
// rounded to float. The counter's value never ends the loop: the trip count does.
#include "io/real_to_int.hpp"

// The trip count of the loop from first to last by step.
inline int real_trips(double first, double last, double step) {
  return io::real_to_int((last - first + step) / step);
}

template <class Body>
void real_loop(float& counter, double first, double last, double step, Body body) {
  const int trips = real_trips(first, last, step);
  const float fstep = float(step);
  counter = float(first);
  for (int pass = 0; pass < trips; ++pass) {
    body();
    counter = float(double(counter) + double(fstep));
  }
}

// The subscript taken from a real counter: truncated toward zero.
inline int subscript(float counter) { return io::real_to_int(double(counter)); }

#pragma once
// The two loops of the program that are made of divisions: a column of the
// influence matrix and the velocities induced at one evaluation point. Each has
// its plain form and a form that the compiler divides a vector at a time (two
// doubles in SSE2 or Advanced SIMD). Both forms make the same IEEE double
// operations on each element in the same order and round once on the store, so
// they store the same bits; the program uses the vector form, the tests
// compare it with the plain one.

// col(r) = float((1.0 / (double(xc(r)) - xv)) / divisor) for r < n.
void influence_column_plain(int n, const float* xc, double xv, double divisor, float* col);
void influence_column(int n, const float* xc, double xv, double divisor, float* col);

// dvel(j - 1) = float(double(gam(j - 1)) / (|j / nvort - xpt| * 6.2832)) for
// j = 1 to n except j = self, whose element is left as it was; 6.2832 is the
// float constant. The vector form takes the quotients j / nvort, which are
// the same at every point, already formed in ends(j - 1).
void induced_velocities_plain(int n, int self, double nvort, double xpt, const float* gam,
                              float* dvel);
void induced_velocities(int n, int self, const double* ends, double xpt, const float* gam,
                        float* dvel);

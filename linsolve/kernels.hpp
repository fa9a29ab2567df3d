#pragma once
// The level-1 vector kernels under the whole solver. A vector is the address of
// its first element and an increment. Products and sums are formed in double
// from float operands; a value is rounded to float once, when it is stored or
// returned.

// x(i) = sa for the n elements of sx.
void SFILL(int n, float sa, float* sx, int incx);
// x(i) = sa * x(i).
void SSCAL(int n, float sa, float* sx, int incx);
// y(i) = x(i), the bit patterns moved as they are.
void SCOPY(int n, const float* sx, int incx, float* sy, int incy);
// y(i) = sa * x(i) + y(i); nothing at all when sa is zero.
void SAXPY(int n, float sa, const float* sx, int incx, float* sy, int incy);
// Sum of x(i) * y(i).
float SDOT(int n, const float* sx, int incx, const float* sy, int incy);
// sb + sum of x(i) * y(i), accumulated in double starting from sb.
float SDSDOT(int n, float sb, const float* sx, int incx, const float* sy, int incy);
// Sum of |x(i)|.
float SASUM(int n, const float* sx, int incx);
// Position (1 to n) of the first element of largest magnitude; 0 when n <= 0.
int ISAMAX(int n, const float* sx, int incx);
// Position (1 to n) of the first largest |x(i) * y(i)|, unit increments; 1 when n <= 0.
void ISPMAX(int n, const float* sx, const float* sy, int& imax);

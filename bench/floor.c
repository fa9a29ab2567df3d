/* The floor of a whole run: a static C program that reads the two numbers from
 * standard input and writes one record per point, two fixed-point fields of 9
 * characters ended by CR LF, into rezult.txt, as many records as the first
 * number asks for (at most 201). No computation worth the name: what is left
 * is process start, input and output. */
#include <stdio.h>
#include <stdlib.h>

int main(void) {
  double count = 0.0;
  double speed = 0.0;
  if (scanf("%lf %lf", &count, &speed) != 2) return 1;
  const int n = count < 0.0 ? 0 : count > 201.0 ? 201 : (int)count;
  FILE* out = fopen("rezult.txt", "wb");
  if (out == NULL) return 1;
  for (int i = 1; i <= n; ++i) {
    const double x = (double)i / n;
    fprintf(out, "%9.5f%9.5f\r\n", x, speed * 0.001 * x);
  }
  return fclose(out) == 0 ? 0 : 1;
}

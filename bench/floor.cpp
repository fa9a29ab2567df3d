// The floor of a whole run: reads two numbers from standard input and writes
// one record per point, two fixed-point fields of 9 characters ended by CR LF,
// into rezult.txt, as many records as the first number asks for (at most 201).
// No computation worth the name: what is left is process start, input and
// output, the cost every run pays.
#include <cstdio>

int main() {
  double count = 0.0;
  double speed = 0.0;
  if (std::scanf("%lf %lf", &count, &speed) != 2) return 1;
  int n = count < 0.0 ? 0 : count > 201.0 ? 201 : static_cast<int>(count);
  std::FILE* out = std::fopen("rezult.txt", "w");
  if (out == nullptr) return 1;
  for (int i = 1; i <= n; ++i) {
    const double x = double(i) / n;
    std::fprintf(out, "%9.5f%9.5f\r\n", x, speed * 0.001 * x);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

// The C++ floor of a whole run: reads two numbers from standard input and writes
// one record per point, two fixed-point fields of 9 characters ended by CR LF,
// into rezult.txt, as many records as the first number asks for (at most 201).
// No computation worth the name: what is left is what every run of a C++
// program pays, process start with the C++ run-time, input and output.
#include <cstdio>
#include <fstream>
#include <iostream>

int main() {
  double count = 0.0;
  double speed = 0.0;
  if (!(std::cin >> count >> speed)) return 1;
  const int n = count < 0.0 ? 0 : count > 201.0 ? 201 : static_cast<int>(count);
  std::ofstream out("rezult.txt", std::ios::binary);
  char record[32];
  for (int i = 1; i <= n; ++i) {
    const double x = double(i) / n;
    const int len = std::snprintf(record, sizeof record, "%9.5f%9.5f\r\n", x, speed * 0.001 * x);
    out.write(record, len);
  }
  out.close();
  return out ? 0 : 1;
}

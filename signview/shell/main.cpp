#include <cstdio>

int main() {
  std::puts("signview: the simulator's windows are being built; the engine and its tests are ready.");
  return 0;
}

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("ossel %s\n", OSSEL_VERSION);
    return 0;
  }
  std::printf("usage: ossel COMMAND ...\n");
  return 0;
}

// stamp_exec: writes CLOCK_MONOTONIC (ns) to a file, then becomes the program it names,
// so that a launch is timed from the exec itself on the recorder's clock.
//
//   stamp_exec STAMP_OUT PROGRAM [ARGS...]
#include <stdint.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: stamp_exec STAMP_OUT PROGRAM [ARGS...]\n");
    return 2;
  }
  FILE* out = fopen(argv[1], "w");
  if (out == NULL) {
    fprintf(stderr, "stamp_exec: cannot write %s\n", argv[1]);
    return 1;
  }
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  fprintf(out, "%lld\n", (long long)now.tv_sec * 1000000000 + now.tv_nsec);
  fclose(out);
  execvp(argv[2], argv + 2);
  perror("stamp_exec: exec");
  return 127;
}

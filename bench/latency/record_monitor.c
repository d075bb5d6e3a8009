// record_monitor: records a PulseAudio source (the null sink's monitor) as raw 32-bit
// float stereo at 48 kHz, and stamps every read on CLOCK_MONOTONIC, so that a sample's
// time can be set beside a key's stamp from the same clock.
//
//   record_monitor SOURCE RAW_OUT STAMPS_OUT
//
// Reads are one small fragment (64 frames, 1.3 ms) each: the server hands data over as
// soon as a fragment is full, so the stamp of a read trails the capture of its last
// frame by little more than one fragment. STAMPS_OUT gets one line per read, "frames ns":
// the frames recorded so far and the clock after the read returned; every 200th read
// also logs the stream's latency as the server reports it ("# latency_us N"). Runs until
// SIGTERM or SIGINT.
#include <pulse/error.h>
#include <pulse/simple.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

enum { kRate = 48000, kChannels = 2, kFragmentFrames = 64 };

static volatile sig_atomic_t stopping = 0;

static void Stop(int signal_number) {
  (void)signal_number;
  stopping = 1;
}

static int64_t MonotonicNs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: record_monitor SOURCE RAW_OUT STAMPS_OUT\n");
    return 2;
  }
  struct sigaction action = {0};
  action.sa_handler = Stop;
  sigaction(SIGTERM, &action, NULL);
  sigaction(SIGINT, &action, NULL);

  const pa_sample_spec spec = {PA_SAMPLE_FLOAT32LE, kRate, kChannels};
  const size_t fragmentBytes = (size_t)kFragmentFrames * kChannels * sizeof(float);
  pa_buffer_attr attr;
  attr.maxlength = (uint32_t)-1;
  attr.tlength = (uint32_t)-1;
  attr.prebuf = (uint32_t)-1;
  attr.minreq = (uint32_t)-1;
  attr.fragsize = (uint32_t)fragmentBytes;
  int error = 0;
  pa_simple* stream = pa_simple_new(NULL, "record_monitor", PA_STREAM_RECORD, argv[1], "monitor",
                                    &spec, NULL, &attr, &error);
  if (stream == NULL) {
    fprintf(stderr, "record_monitor: cannot record %s: %s\n", argv[1], pa_strerror(error));
    return 1;
  }
  FILE* raw = fopen(argv[2], "wb");
  FILE* stamps = fopen(argv[3], "w");
  if (raw == NULL || stamps == NULL) {
    fprintf(stderr, "record_monitor: cannot write %s or %s\n", argv[2], argv[3]);
    return 1;
  }
  float buffer[kFragmentFrames * kChannels];
  int64_t frames = 0;
  for (int64_t reads = 0; !stopping; ++reads) {
    if (pa_simple_read(stream, buffer, fragmentBytes, &error) < 0) {
      if (stopping) break;
      fprintf(stderr, "record_monitor: read failed: %s\n", pa_strerror(error));
      return 1;
    }
    const int64_t now = MonotonicNs();
    frames += kFragmentFrames;
    fwrite(buffer, 1, fragmentBytes, raw);
    fprintf(stamps, "%lld %lld\n", (long long)frames, (long long)now);
    if (reads % 200 == 0) {
      pa_usec_t latency = pa_simple_get_latency(stream, &error);
      if (latency != (pa_usec_t)-1)
        fprintf(stamps, "# latency_us %llu\n", (unsigned long long)latency);
    }
  }
  fclose(raw);
  fclose(stamps);
  pa_simple_free(stream);
  return 0;
}

#include "audio/hrtf_set_check.h"

#include <mysofa.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

bool AllFinite(const MYSOFA_ARRAY& array) {
  return std::all_of(array.values, array.values + array.elements,
                     [](float v) { return std::isfinite(v); });
}

// Sizes are checked in 64 bits: the dimensions come from the file.
bool Holds(const MYSOFA_ARRAY& array, uint64_t elements) {
  return array.values != nullptr && array.elements == elements;
}

float Peak(const float* taps, uint32_t count) {
  float peak = 0.0f;
  for (uint32_t i = 0; i < count; ++i) peak = std::max(peak, std::fabs(taps[i]));
  return peak;
}

// Short and exact enough for a message: 100, 44100, 1e+30, nan.
std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string FilterFault(const MYSOFA_HRTF& set) {
  if (!Holds(set.DataIR, uint64_t{set.M} * set.R * set.N)) {
    return "its filters are not as many as its measurements say";
  }
  if (!AllFinite(set.DataIR)) return "a filter holds a value that is not a finite number";
  const float peak = Peak(set.DataIR.values, set.DataIR.elements);
  if (peak < kMinSetPeak || peak > kMaxSetPeak) {
    return "its filters' level is far outside that of a head-related set (largest tap " +
           Number(peak) + ")";
  }
  for (uint32_t filter = 0; filter < set.M * set.R; ++filter) {
    if (Peak(set.DataIR.values + uint64_t{filter} * set.N, set.N) < kMinFilterShareOfPeak * peak) {
      return "measurement " + std::to_string(filter / set.R + 1) + " is silent in the " +
             (filter % set.R == 0 ? "left" : "right") + " ear";
    }
  }
  return {};
}

std::string DelayFault(const MYSOFA_HRTF& set, float rate) {
  if (!Holds(set.DataDelay, set.R) && !Holds(set.DataDelay, uint64_t{set.M} * set.R)) {
    return "it has no delay for each ear (Data.Delay)";
  }
  const float most = kMaxSetDelaySeconds * rate;
  for (uint32_t i = 0; i < set.DataDelay.elements; ++i) {
    const float delay = set.DataDelay.values[i];
    if (!std::isfinite(delay) || delay < 0.0f || delay > most) {
      return "a delay of " + Number(delay) + " samples is outside 0 to " + Number(most) + " (5 ms)";
    }
  }
  return {};
}

}  // namespace

std::string SetFault(const MYSOFA_HRTF& set) {
  if (set.R != 2) return "it is not for two ears (" + std::to_string(set.R) + " receivers)";
  if (set.M == 0 || set.N == 0) return "it holds no measurements";
  if (set.N > kMaxFilterTaps) {
    return "its filters are " + std::to_string(set.N) + " taps long, more than " +
           std::to_string(kMaxFilterTaps);
  }
  if (!Holds(set.DataSamplingRate, 1)) return "it does not give one sample rate";
  const float rate = set.DataSamplingRate.values[0];
  if (!std::isfinite(rate) || rate < kMinSetRate || rate > kMaxSetRate) {
    return "its sample rate, " + Number(rate) + " Hz, is outside " + Number(kMinSetRate) + " to " +
           Number(kMaxSetRate) + " Hz";
  }
  if (!Holds(set.SourcePosition, uint64_t{set.M} * set.C) || set.C != 3 ||
      !AllFinite(set.SourcePosition)) {
    return "its source positions are missing or not finite numbers";
  }
  if (std::string fault = FilterFault(set); !fault.empty()) return fault;
  return DelayFault(set, rate);
}

std::string ResampledSetFault(const MYSOFA_HRTF& set) {
  if (set.N > kMaxFilterTaps) {
    return "its filters, resampled to the output's rate, are " + std::to_string(set.N) +
           " taps long, more than " + std::to_string(kMaxFilterTaps);
  }
  if (std::string fault = FilterFault(set); !fault.empty()) return fault + " once resampled";
  return DelayFault(set, set.DataSamplingRate.values[0]);
}

std::string SetReaderError(int err) {
  switch (err) {
    case MYSOFA_INVALID_FORMAT:
      return "it is not a SOFA file, or a damaged one";
    case MYSOFA_UNSUPPORTED_FORMAT:
      return "it is a SOFA file of a kind that cannot be read";
    case MYSOFA_NO_MEMORY:
      return "there was not enough memory to read it";
    case MYSOFA_READ_ERROR:
      return "it could not be read from the disk";
    case MYSOFA_ONLY_THE_SAME_SAMPLING_RATE_SUPPORTED:
      return "its measurements have different sample rates";
    case MYSOFA_INVALID_ATTRIBUTES:
    case MYSOFA_INVALID_DIMENSIONS:
    case MYSOFA_INVALID_DIMENSION_LIST:
    case MYSOFA_INVALID_COORDINATE_TYPE:
    case MYSOFA_ONLY_EMITTER_WITH_ECI_SUPPORTED:
    case MYSOFA_ONLY_DELAYS_WITH_IR_OR_MR_SUPPORTED:
    case MYSOFA_RECEIVERS_WITH_RCI_SUPPORTED:
    case MYSOFA_RECEIVERS_WITH_CARTESIAN_SUPPORTED:
    case MYSOFA_INVALID_RECEIVER_POSITIONS:
    case MYSOFA_ONLY_SOURCES_WITH_MC_SUPPORTED:
      return "it is a SOFA file, but not laid out as a head-related set";
    default:
      return "it is damaged: the SOFA reader could not make sense of it";
  }
}

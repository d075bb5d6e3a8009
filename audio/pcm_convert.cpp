#include "audio/pcm_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;
constexpr size_t kMinFormatBytes = 16;
constexpr size_t kExtensibleFormatBytes = 40;  // 18 + 22 bytes of extension
constexpr uint16_t kExtensibleExtraBytes = 22;
// Bytes 2..15 of every KSDATAFORMAT_SUBTYPE GUID built from a format tag.
constexpr uint8_t kSubformatGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t ReadU16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

uint32_t ReadU32(std::span<const uint8_t> bytes, size_t offset) {
  return uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 |
         uint32_t{bytes[offset + 2]} << 16 | uint32_t{bytes[offset + 3]} << 24;
}

// The tag an extensible format block stands for, or 0 when its extension is missing
// or names a subformat that is not built from a tag.
uint16_t ExtensibleSubformat(std::span<const uint8_t> format) {
  if (format.size() < kExtensibleFormatBytes) return 0;
  if (ReadU16(format, 16) < kExtensibleExtraBytes) return 0;
  if (std::memcmp(format.data() + 26, kSubformatGuidTail, sizeof kSubformatGuidTail) != 0) {
    return 0;
  }
  return ReadU16(format, 24);
}

std::optional<SampleEncoding> EncodingFor(uint16_t tag, int32_t bits, std::string& refusal) {
  if (tag == kTagPcm) {
    switch (bits) {
      case 8:
        return SampleEncoding::kUnsigned8;
      case 16:
        return SampleEncoding::kSigned16;
      case 24:
        return SampleEncoding::kSigned24;
      case 32:
        return SampleEncoding::kSigned32;
    }
    refusal = "integer PCM with " + std::to_string(bits) + " bits per sample";
    return std::nullopt;
  }
  if (tag == kTagFloat) {
    if (bits == 32) return SampleEncoding::kFloat32;
    refusal = "float PCM with " + std::to_string(bits) + " bits per sample";
    return std::nullopt;
  }
  refusal = "unsupported format tag " + std::to_string(tag);
  return std::nullopt;
}

float ClampFloatSample(float value) {
  if (std::isnan(value)) return 0.0f;
  return std::clamp(value, -1.0f, 1.0f);
}

// One sample at `p`, mapped onto -1 .. 1.
float DecodeSample(SampleEncoding encoding, const uint8_t* p) {
  switch (encoding) {
    case SampleEncoding::kUnsigned8:
      return (static_cast<int32_t>(p[0]) - 128) * (1.0f / 128.0f);
    case SampleEncoding::kSigned16:
      return static_cast<int16_t>(p[0] | p[1] << 8) * (1.0f / 32768.0f);
    case SampleEncoding::kSigned24: {
      // Assemble in the top three bytes so that the sign comes with the shift.
      int32_t value =
          static_cast<int32_t>(uint32_t{p[0]} << 8 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 24);
      return static_cast<float>((value >> 8) * (1.0 / 8388608.0));
    }
    case SampleEncoding::kSigned32: {
      int32_t value = static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 |
                                           uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
      return static_cast<float>(value * (1.0 / 2147483648.0));
    }
    case SampleEncoding::kFloat32: {
      float value;
      std::memcpy(&value, p, sizeof value);
      return ClampFloatSample(value);
    }
  }
  return 0.0f;
}

}  // namespace

bool CheckChannelsAndRate(int64_t channels, int64_t rate, std::string& refusal) {
  if (channels < 1 || channels > kMaxChannels) {
    refusal = std::to_string(channels) + " channels (1 or 2 are played)";
    return false;
  }
  if (rate < kMinSampleRate || rate > kMaxSampleRate) {
    refusal = "sample rate " + std::to_string(rate) + " Hz outside 8000 .. 192000";
    return false;
  }
  return true;
}

std::optional<SampleLayout> ReadSampleLayout(std::span<const uint8_t> format,
                                             std::string& refusal) {
  if (format.size() < kMinFormatBytes) {
    refusal = "format block shorter than 16 bytes";
    return std::nullopt;
  }
  uint16_t tag = ReadU16(format, 0);
  SampleLayout layout;
  layout.channels = ReadU16(format, 2);
  // The field as written, 0 .. 4294967295: a refusal names the rate the file states.
  const uint32_t statedRate = ReadU32(format, 4);
  layout.blockAlign = ReadU16(format, 12);
  layout.bitsPerSample = ReadU16(format, 14);
  if (tag == kTagExtensible) {
    tag = ExtensibleSubformat(format);
    if (tag == 0) {
      refusal = "extensible format without a PCM or float subformat";
      return std::nullopt;
    }
  }
  std::optional<SampleEncoding> encoding = EncodingFor(tag, layout.bitsPerSample, refusal);
  if (!encoding || !CheckChannelsAndRate(layout.channels, statedRate, refusal)) {
    return std::nullopt;
  }
  layout.rate = static_cast<int32_t>(statedRate);  // 8000 .. 192000 by now
  layout.encoding = *encoding;
  int32_t frameBytes = layout.channels * layout.bitsPerSample / 8;
  if (layout.blockAlign != frameBytes) {
    refusal = "block alignment " + std::to_string(layout.blockAlign) + " (expected " +
              std::to_string(frameBytes) + ")";
    return std::nullopt;
  }
  return layout;
}

SampleLayout Pcm16Layout(int32_t channels, int32_t rate) {
  return SampleLayout{SampleEncoding::kSigned16, channels, rate, 16, channels * 2};
}

int64_t ConvertSamples(const SampleLayout& layout, std::span<const uint8_t> pcm, float* out) {
  const size_t sampleBytes = static_cast<size_t>(layout.bitsPerSample / 8);
  const size_t frames = pcm.size() / static_cast<size_t>(layout.blockAlign);
  const size_t samples = frames * static_cast<size_t>(layout.channels);
  const uint8_t* p = pcm.data();
  if (layout.encoding == SampleEncoding::kSigned16) {
    // The common case, kept as a tight loop the compiler can vectorise.
    for (size_t i = 0; i < samples; ++i) {
      out[i] = static_cast<int16_t>(p[2 * i] | p[2 * i + 1] << 8) * (1.0f / 32768.0f);
    }
    return static_cast<int64_t>(frames);
  }
  for (size_t i = 0; i < samples; ++i) out[i] = DecodeSample(layout.encoding, p + i * sampleBytes);
  return static_cast<int64_t>(frames);
}

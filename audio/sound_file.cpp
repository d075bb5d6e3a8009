#include "audio/sound_file.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <utility>

#include "audio/decoder_registry.h"
#include "audio/file_image.h"
#include "audio/path_lookup.h"
#include "audio/pcm_convert.h"
#include "audio/wav_reader.h"

namespace {

// Largest file buffer kept for the next load (bytes).
constexpr size_t kKeptFileBufferBytes = size_t{1} << 20;

// One file buffer kept between loads: the game loads a cue file for every cue it
// plays, and a fresh block each time costs more in page faults than the read itself.
// A load takes it and gives it back; a buffer grown by a rare large file is let go.
// Shared rather than thread_local: a thread_local buffer is freed by a destructor at
// thread end, which some toolchains run on storage they have already freed.
std::atomic<FileImage*> spareImage{nullptr};

std::unique_ptr<FileImage> TakeFileBuffer() {
  FileImage* spare = spareImage.exchange(nullptr, std::memory_order_acq_rel);
  return std::unique_ptr<FileImage>(spare != nullptr ? spare : new FileImage);
}

void GiveBackFileBuffer(std::unique_ptr<FileImage> image) {
  if (image->capacity() > kKeptFileBufferBytes) return;
  delete spareImage.exchange(image.release(), std::memory_order_acq_rel);
}

// Bytes of 16-bit PCM taken from a decoder per read call while converting.
constexpr int64_t kDecodeChunkBytes = 16384;

SoundFileResult Refuse(std::string reason) {
  SoundFileResult result;
  result.refusal = std::move(reason);
  return result;
}

SoundFileResult Loaded(DecodedSound sound) {
  SoundFileResult result;
  result.loaded = true;
  result.sound = std::move(sound);
  return result;
}

DecodedSound EmptySound(const SampleLayout& layout, bool floatSource) {
  DecodedSound sound;
  sound.channels = layout.channels;
  sound.rate = layout.rate;
  sound.bitsPerSample = layout.bitsPerSample;
  sound.floatSource = floatSource;
  return sound;
}

SoundFileResult LoadWav(std::span<const uint8_t> image) {
  std::string refusal;
  std::optional<WavImage> wav = ReadWavImage(image, refusal);
  if (!wav) return Refuse(refusal);
  std::optional<SampleLayout> layout = ReadSampleLayout(wav->format, refusal);
  if (!layout) return Refuse(refusal);
  int64_t frames = static_cast<int64_t>(wav->pcm.size()) / layout->blockAlign;
  if (frames == 0) return Refuse("no sample frames");

  DecodedSound sound = EmptySound(*layout, layout->encoding == SampleEncoding::kFloat32);
  sound.samples.resize(static_cast<size_t>(frames * layout->channels));
  sound.frames = ConvertSamples(*layout, wav->pcm, sound.samples.data());
  return Loaded(std::move(sound));
}

struct DecoderInstance {
  const SoundDecoder* decoder = nullptr;
  void* instance = nullptr;
  ~DecoderInstance() {
    if (instance) decoder->close(instance);
  }
};

// Reads the decoder's stream into `sound`, whose samples are already sized and zero:
// frames the stream does not deliver stay silent.
void DecodeInto(const DecoderInstance& open, const SampleLayout& layout, DecodedSound& sound) {
  std::vector<uint8_t> chunk(kDecodeChunkBytes);
  const int64_t chunkBytes = kDecodeChunkBytes - kDecodeChunkBytes % layout.blockAlign;
  const int64_t totalBytes = sound.frames * layout.blockAlign;
  float* out = sound.samples.data();
  for (int64_t done = 0; done < totalBytes;) {
    int64_t asked = std::min(chunkBytes, totalBytes - done);
    int64_t got =
        std::clamp<int64_t>(open.decoder->read(open.instance, chunk.data(), asked), 0, asked);
    int64_t frames = ConvertSamples(layout, std::span(chunk.data(), static_cast<size_t>(got)), out);
    out += frames * layout.channels;
    done += got;
    if (got < asked) break;  // end of the stream
  }
}

SoundFileResult LoadDecoded(std::span<const uint8_t> image, const DecoderRegistry& decoders) {
  DecoderInstance open;
  for (const SoundDecoder* decoder : decoders.Decoders()) {
    void* instance = decoder->open(image.data(), image.size());
    if (instance) {
      open.decoder = decoder;
      open.instance = instance;
      break;
    }
  }
  if (!open.instance) return Refuse("not a RIFF WAV file and no decoder recognises it");

  int32_t channels = open.decoder->channels(open.instance);
  int64_t rate = open.decoder->rate(open.instance);
  int64_t length = open.decoder->length(open.instance);
  std::string refusal;
  if (!CheckChannelsAndRate(channels, rate, refusal)) return Refuse(refusal);
  if (length <= 0) return Refuse("stream holds no sample frames");

  // 16-bit PCM bytes of the whole stream, in 64 bits so that no length can wrap it;
  // the length is bounded first so that the product cannot overflow either.
  SampleLayout layout = Pcm16Layout(channels, static_cast<int32_t>(rate));  // checked above
  int64_t bytes = std::min(length, kMaxDecodedBytes) * layout.blockAlign;
  bytes = std::min(bytes, kMaxDecodedBytes);

  DecodedSound sound = EmptySound(layout, false);
  sound.frames = bytes / layout.blockAlign;
  sound.samples.assign(static_cast<size_t>(sound.frames * channels), 0.0f);
  DecodeInto(open, layout, sound);
  return Loaded(std::move(sound));
}

}  // namespace

SoundFileResult LoadSoundImage(std::span<const uint8_t> image, const DecoderRegistry& decoders) {
  if (IsRiffImage(image)) return LoadWav(image);
  return LoadDecoded(image, decoders);
}

SoundFileResult LoadSoundImage(std::span<const uint8_t> image) {
  return LoadSoundImage(image, SoundDecoders());
}

SoundFileResult LoadSoundFile(const std::string& path) {
  std::string found = FindPathIgnoringCase(path);
  if (found.empty()) return Refuse("no such file");
  std::unique_ptr<FileImage> image = TakeFileBuffer();
  std::string refusal;
  bool read = ReadFileImage(found, *image, refusal);
  SoundFileResult result = read ? LoadSoundImage(*image) : Refuse(refusal);
  GiveBackFileBuffer(std::move(image));
  return result;
}

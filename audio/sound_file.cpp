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

// Reads the decoder's stream chunk by chunk, at most `frames` frames, and hands each chunk's
// bytes of 16-bit PCM to `take`; frames the stream does not deliver are never handed over.
template <typename Take>
void ReadStream(const SoundDecoder& decoder, void* instance, const SampleLayout& layout,
                int64_t frames, Take take) {
  std::vector<uint8_t> chunk(kDecodeChunkBytes);
  const int64_t chunkBytes = kDecodeChunkBytes - kDecodeChunkBytes % layout.blockAlign;
  const int64_t totalBytes = frames * layout.blockAlign;
  for (int64_t done = 0; done < totalBytes;) {
    int64_t asked = std::min(chunkBytes, totalBytes - done);
    int64_t got = std::clamp<int64_t>(decoder.read(instance, chunk.data(), asked), 0, asked);
    take(std::span<const uint8_t>(chunk.data(), static_cast<size_t>(got)));
    done += got;
    if (got < asked) break;  // end of the stream
  }
}

// Opens `image` with the first decoder that takes it and checks what it holds; nullptr,
// saying why in `refusal`, when none takes it or it holds nothing the engine plays.
std::unique_ptr<OpenedStream> OpenStream(FileImage image, std::span<const uint8_t> data,
                                         const DecoderRegistry& decoders, std::string& refusal) {
  auto stream = std::make_unique<OpenedStream>();
  stream->image = std::move(image);  // a moved vector keeps its block: `data` stays valid
  for (const SoundDecoder* decoder : decoders.Decoders()) {
    void* instance = decoder->open(data.data(), data.size());
    if (instance) {
      stream->decoder = decoder;
      stream->instance = instance;
      break;
    }
  }
  if (!stream->instance) {
    refusal = "not a RIFF WAV file and no decoder recognises it";
    return nullptr;
  }
  int32_t channels = stream->decoder->channels(stream->instance);
  int64_t rate = stream->decoder->rate(stream->instance);
  int64_t length = stream->decoder->length(stream->instance);
  if (!CheckChannelsAndRate(channels, rate, refusal)) return nullptr;
  if (length <= 0) {
    refusal = "stream holds no sample frames";
    return nullptr;
  }
  // 16-bit PCM bytes of the whole stream, in 64 bits so that no length can wrap it;
  // the length is bounded first so that the product cannot overflow either.
  stream->layout = Pcm16Layout(channels, static_cast<int32_t>(rate));  // checked above
  int64_t bytes = std::min(length, kMaxDecodedBytes) * stream->layout.blockAlign;
  bytes = std::min(bytes, kMaxDecodedBytes);
  stream->frames = bytes / stream->layout.blockAlign;
  return stream;
}

// An opened stream's samples, all read here, as a loaded sound.
SoundFileResult DecodeWhole(const OpenedStream& stream) {
  const SampleLayout& layout = stream.layout;
  DecodedSound sound = EmptySound(layout, false);
  sound.frames = stream.frames;
  sound.samples.assign(static_cast<size_t>(sound.frames * layout.channels), 0.0f);
  float* out = sound.samples.data();
  ReadStream(*stream.decoder, stream.instance, layout, sound.frames,
             [&](std::span<const uint8_t> bytes) {
               out += ConvertSamples(layout, bytes, out) * layout.channels;
             });
  return Loaded(std::move(sound));
}

SoundFileResult LoadDecoded(std::span<const uint8_t> image, const DecoderRegistry& decoders) {
  std::string refusal;
  std::unique_ptr<OpenedStream> stream = OpenStream(FileImage{}, image, decoders, refusal);
  if (!stream) return Refuse(refusal);
  return DecodeWhole(*stream);
}

}  // namespace

SoundFileResult LoadSoundImage(std::span<const uint8_t> image, const DecoderRegistry& decoders) {
  if (IsRiffImage(image)) return LoadWav(image);
  return LoadDecoded(image, decoders);
}

SoundFileResult LoadSoundImage(std::span<const uint8_t> image) {
  return LoadSoundImage(image, SoundDecoders());
}

OpenedStream::~OpenedStream() {
  if (instance) decoder->close(instance);
}

void OpenedStream::ReadPcm16(int16_t* left, int16_t* right) {
  int64_t at = 0;
  const int32_t channels = layout.channels;
  ReadStream(*decoder, instance, layout, frames, [&](std::span<const uint8_t> bytes) {
    const auto whole = static_cast<int64_t>(bytes.size()) / layout.blockAlign;
    for (int64_t i = 0; i < whole; ++i, ++at) {
      const uint8_t* frame = bytes.data() + i * layout.blockAlign;
      left[at] = static_cast<int16_t>(frame[0] | frame[1] << 8);
      if (channels == 2) right[at] = static_cast<int16_t>(frame[2] | frame[3] << 8);
    }
  });
}

OpenedSoundFile OpenSoundFile(const std::string& path) {
  OpenedSoundFile file;
  std::string found = FindPathIgnoringCase(path);
  if (found.empty()) {
    file.result = Refuse("no such file");
    return file;
  }
  std::unique_ptr<FileImage> image = TakeFileBuffer();
  std::string refusal;
  if (!ReadFileImage(found, *image, refusal)) {
    file.result = Refuse(refusal);
  } else if (IsRiffImage(*image)) {
    file.result = LoadWav(*image);
  } else {
    // The stream keeps the file's block for as long as its samples are read.
    const std::span<const uint8_t> data(*image);
    file.stream = OpenStream(std::move(*image), data, SoundDecoders(), refusal);
    if (!file.stream) file.result = Refuse(refusal);
  }
  GiveBackFileBuffer(std::move(image));
  return file;
}

SoundFileResult LoadSoundFile(const std::string& path) {
  OpenedSoundFile file = OpenSoundFile(path);
  if (!file.stream) return std::move(file.result);
  return DecodeWhole(*file.stream);
}

#include "audio/ogg_decoder.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <mutex>
#include <new>

#include "audio/memory_source.h"
#include "audio/pcm_piece_reader.h"

namespace {

struct OggDecoderInstance {
  OggVorbis_File vf{};  // the library's state; refers to `source`, so the instance never moves
  MemorySource source;
  int32_t channels = 0;  // of the stream, from ov_info
  int64_t rate = 0;      // frames per second, from ov_info, as the stream states it
  int64_t length = 0;    // frames of all logical streams together (ov_pcm_total)
  PcmPieceReader* reader = nullptr;
};

const ov_callbacks kMemoryCallbacks = {MemorySourceRead, MemorySourceSeek, MemorySourceClose,
                                       MemorySourceTell};

// One ov_read call: little-endian, 16-bit, signed.
PcmPiece ReadOggPiece(void* context, char* buffer, int capacity) {
  auto* instance = static_cast<OggDecoderInstance*>(context);
  int section = 0;
  long result = ov_read(&instance->vf, buffer, capacity, 0, 2, 1, &section);
  vorbis_info* info = result > 0 ? ov_info(&instance->vf, section) : nullptr;
  return PcmPiece{result, info ? info->channels : 0};
}

void* OggOpen(const uint8_t* image, size_t size) {
  auto* instance = new (std::nothrow) OggDecoderInstance;
  if (!instance) return nullptr;
  instance->source = MemorySource{image, 0, static_cast<int64_t>(size)};
  // On failure the library has already cleared `vf`.
  if (ov_open_callbacks(&instance->source, &instance->vf, nullptr, 0, kMemoryCallbacks) < 0) {
    delete instance;
    return nullptr;
  }
  // After opening a chained stream the library stands at the start of its second
  // link, so the first would be skipped: go back to the first sample explicitly.
  if (ov_streams(&instance->vf) > 1 && ov_pcm_seek(&instance->vf, 0) != 0) {
    ov_clear(&instance->vf);
    delete instance;
    return nullptr;
  }
  vorbis_info* info = ov_info(&instance->vf, -1);
  instance->reader =
      info ? new (std::nothrow) PcmPieceReader(info->channels, ReadOggPiece, instance) : nullptr;
  if (!instance->reader) {
    ov_clear(&instance->vf);
    delete instance;
    return nullptr;
  }
  instance->channels = info->channels;
  instance->rate = info->rate;
  instance->length = std::max<int64_t>(ov_pcm_total(&instance->vf, -1), 0);
  return instance;
}

int32_t OggChannels(void* instance) {
  return static_cast<OggDecoderInstance*>(instance)->channels;
}
int64_t OggLength(void* instance) {
  return static_cast<OggDecoderInstance*>(instance)->length;
}
int64_t OggRate(void* instance) {
  return static_cast<OggDecoderInstance*>(instance)->rate;
}

int64_t OggRead(void* instance, uint8_t* destination, int64_t bytes) {
  return static_cast<OggDecoderInstance*>(instance)->reader->Read(destination, bytes);
}

void OggClose(void* instance) {
  auto* ogg = static_cast<OggDecoderInstance*>(instance);
  ov_clear(&ogg->vf);  // calls the close callback, which leaves the image alone
  delete ogg->reader;
  delete ogg;
}

const SoundDecoder kOggVorbisDecoder = {"Ogg Vorbis", OggOpen, OggChannels, OggLength,
                                        OggRate,      OggRead, OggClose};

}  // namespace

const SoundDecoder& OggVorbisDecoder() {
  return kOggVorbisDecoder;
}

void SoundUseOggDecoder() {
  static std::once_flag registered;
  std::call_once(registered, [] { SoundDecoders().Append(kOggVorbisDecoder); });
}

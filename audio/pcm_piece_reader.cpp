#include "audio/pcm_piece_reader.h"

#include <algorithm>
#include <cstring>

namespace {

int16_t SampleAt(const char* piece, size_t index) {
  int16_t value;
  std::memcpy(&value, piece + index * 2, 2);
  return value;
}

void AppendSample(std::vector<uint8_t>& out, int32_t value) {
  auto sample = static_cast<uint16_t>(static_cast<int16_t>(value));
  out.push_back(static_cast<uint8_t>(sample));
  out.push_back(static_cast<uint8_t>(sample >> 8));
}

// Appends `frames` frames of `from` channels to `out` as frames of `to` channels.
void Remix(const char* piece, size_t frames, int from, int to, std::vector<uint8_t>& out) {
  for (size_t frame = 0; frame < frames; ++frame) {
    size_t first = frame * static_cast<size_t>(from);
    if (to == 1) {
      int32_t sum = 0;
      for (int c = 0; c < from; ++c) sum += SampleAt(piece, first + static_cast<size_t>(c));
      AppendSample(out, sum / from);
      continue;
    }
    for (int c = 0; c < to; ++c) {
      AppendSample(out, SampleAt(piece, first + static_cast<size_t>(std::min(c, from - 1))));
    }
  }
}

}  // namespace

PcmPieceReader::PcmPieceReader(int channels, ReadPcmPiece readPiece, void* context)
    : channels_(std::max(channels, 1)), readPiece_(readPiece), context_(context) {}

bool PcmPieceReader::FetchPiece() {
  int errorsInARow = 0;
  while (!ended_) {
    PcmPiece piece = readPiece_(context_, piece_, kMaxPieceBytes);
    if (piece.result == 0) break;
    pending_.clear();
    pendingStart_ = 0;
    if (piece.result > 0 && piece.channels > 0) {
      size_t frameBytes = 2 * static_cast<size_t>(piece.channels);
      size_t frames =
          static_cast<size_t>(std::min<long>(piece.result, kMaxPieceBytes)) / frameBytes;
      if (piece.channels == channels_) {
        pending_.assign(piece_, piece_ + frames * frameBytes);
      } else {
        Remix(piece_, frames, piece.channels, channels_, pending_);
      }
    }
    if (!pending_.empty()) return true;
    // An error, or a piece without one whole frame: skip it, but not forever.
    if (++errorsInARow >= kMaxConsecutiveErrors) break;
  }
  ended_ = true;
  return false;
}

int64_t PcmPieceReader::Read(uint8_t* destination, int64_t bytes) {
  int64_t produced = 0;
  while (produced < bytes) {
    if (pendingStart_ == pending_.size() && !FetchPiece()) break;
    size_t take = std::min(pending_.size() - pendingStart_, static_cast<size_t>(bytes - produced));
    std::memcpy(destination + produced, pending_.data() + pendingStart_, take);
    pendingStart_ += take;
    produced += static_cast<int64_t>(take);
  }
  return produced;
}

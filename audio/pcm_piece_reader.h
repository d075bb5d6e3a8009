// audio/pcm_piece_reader.h - turning a decoder that hands out 16-bit PCM in pieces
// (libvorbisfile's ov_read) into reads of any size.
//
// Each piece is fetched into a buffer of at most kMaxPieceBytes and then copied out,
// so that:
//   - a piece whose channel count differs from the stream's (a chained stream whose
//     links differ) is remixed to the stream's count instead of breaking the
//     interleaving: to mono by averaging, otherwise by taking the matching channel
//     or the last one there is;
//   - errors are skipped, as the library asks, but kMaxConsecutiveErrors in a row
//     without a byte in between end the stream, so that damaged data can never keep
//     a load busy forever.
// Threads: one reader belongs to one decoder instance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kMaxPieceBytes = 4096;
inline constexpr int kMaxConsecutiveErrors = 64;

struct PcmPiece {
  long result;   // as ov_read: bytes written (> 0), 0 at the end, < 0 an error
  int channels;  // interleaved channels of the bytes written
};

// Fills `buffer` with up to `capacity` bytes of 16-bit interleaved PCM, whole frames.
using ReadPcmPiece = PcmPiece (*)(void* context, char* buffer, int capacity);

class PcmPieceReader {
 public:
  PcmPieceReader(int channels, ReadPcmPiece readPiece, void* context);

  // Writes up to `bytes` bytes of 16-bit PCM with the stream's channel count,
  // continuing where the last read stopped. Fewer only at the end of the stream.
  int64_t Read(uint8_t* destination, int64_t bytes);

 private:
  // Fetches the next piece into pending_. False at the end of the stream.
  bool FetchPiece();

  int channels_;  // of the output, >= 1
  ReadPcmPiece readPiece_;
  void* context_;
  bool ended_ = false;
  char piece_[kMaxPieceBytes];
  std::vector<uint8_t> pending_;  // output bytes fetched but not yet handed out
  size_t pendingStart_ = 0;
};

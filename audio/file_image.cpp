#include "audio/file_image.h"

#include "runtime/regular_file.h"

bool ReadFileImage(const std::string& path, FileImage& image, std::string& refusal) {
  switch (ReadRegularFile(path, kMaxFileImageBytes, image, refusal)) {
    case FileOpening::kOpen:
      return true;
    case FileOpening::kTooLarge:
      refusal = "file larger than 1 GiB";
      return false;
    case FileOpening::kMissing:
    case FileOpening::kRefused:
      break;
  }
  return false;
}

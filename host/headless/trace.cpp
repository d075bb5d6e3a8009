#include "host/headless/trace.h"

#include <cerrno>
#include <cstring>

Trace::~Trace() {
  Close();
}

bool Trace::OpenFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) return false;
  std::scoped_lock lock(lock_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = file;
  fileError_.clear();
  return true;
}

bool Trace::Close() {
  std::scoped_lock lock(lock_);
  if (file_ == nullptr) return fileError_.empty();
  if (std::fclose(file_) != 0 && fileError_.empty()) fileError_ = std::strerror(errno);
  file_ = nullptr;
  return fileError_.empty();
}

bool Trace::Failed() const {
  std::scoped_lock lock(lock_);
  return !fileError_.empty();
}

std::string Trace::FileError() const {
  std::scoped_lock lock(lock_);
  return fileError_;
}

void Trace::Write(std::string_view line) {
  std::scoped_lock lock(lock_);
  if (keep_) lines_.emplace_back(line);
  // After a failed write the file has a gap: nothing more goes to it.
  if (file_ == nullptr || !fileError_.empty()) return;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
      std::fputc('\n', file_) == EOF) {
    fileError_ = std::strerror(errno);
  }
}

void Trace::KeepInMemory(bool keep) {
  std::scoped_lock lock(lock_);
  keep_ = keep;
}

std::vector<std::string> Trace::Lines() const {
  std::scoped_lock lock(lock_);
  return lines_;
}

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

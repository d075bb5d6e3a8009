#include "json_lite.h"

#include <charconv>
#include <cstdlib>

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool Value(Json& out) {
    Skip();
    if (pos_ >= text_.size()) return false;
    char c = text_[pos_];
    if (c == '{') return Object(out);
    if (c == '[') return Array(out);
    if (c == '"') return out.kind = Json::Kind::kString, String(out.text);
    if (Word("null")) return out.kind = Json::Kind::kNull, true;
    if (Word("true")) return out.kind = Json::Kind::kBool, out.boolean = true, true;
    if (Word("false")) return out.kind = Json::Kind::kBool, true;
    return NumberText(out);
  }

  bool AtEnd() {
    Skip();
    return pos_ == text_.size();
  }

 private:
  void Skip() {
    while (pos_ < text_.size() &&
           std::string_view(" \t\r\n").find(text_[pos_]) != std::string_view::npos)
      ++pos_;
  }
  bool Eat(char c) {
    Skip();
    if (pos_ < text_.size() && text_[pos_] == c) return ++pos_, true;
    return false;
  }
  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  bool NumberText(Json& out) {
    size_t start = pos_;
    while (pos_ < text_.size() &&
           std::string_view("+-0123456789.eE").find(text_[pos_]) != std::string_view::npos) {
      ++pos_;
    }
    if (pos_ == start) return false;
    out.kind = Json::Kind::kNumber;
    out.text = std::string(text_.substr(start, pos_ - start));
    return true;
  }
  bool String(std::string& out) {
    ++pos_;  // the opening quote
    while (pos_ < text_.size() && text_[pos_] != '"') {
      char c = text_[pos_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return false;
      char e = text_[pos_++];
      if (e == 'n')
        out += '\n';
      else if (e == 't')
        out += '\t';
      else if (e == 'r')
        out += '\r';
      else if (e == 'u' && pos_ + 4 <= text_.size()) {
        out +=
            static_cast<char>(std::strtol(std::string(text_.substr(pos_, 4)).c_str(), nullptr, 16));
        pos_ += 4;
      } else
        out += e;
    }
    return Eat('"');
  }
  bool Array(Json& out) {
    out.kind = Json::Kind::kArray;
    ++pos_;
    if (Eat(']')) return true;
    do {
      out.items.emplace_back();
      if (!Value(out.items.back())) return false;
    } while (Eat(','));
    return Eat(']');
  }
  bool Object(Json& out) {
    out.kind = Json::Kind::kObject;
    ++pos_;
    if (Eat('}')) return true;
    do {
      std::string name;
      Skip();
      if (pos_ >= text_.size() || text_[pos_] != '"' || !String(name) || !Eat(':')) return false;
      if (!Value(out.fields[name])) return false;
    } while (Eat(','));
    return Eat('}');
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& name) const {
  static const Json none;
  auto found = fields.find(name);
  return found == fields.end() ? none : found->second;
}

double Json::Number() const {
  return kind == Kind::kNumber ? std::strtod(text.c_str(), nullptr) : 0;
}

float Json::Float() const {
  float value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

long long Json::Int() const {
  return kind == Kind::kNumber ? std::strtoll(text.c_str(), nullptr, 10) : 0;
}

std::optional<Json> ParseJson(std::string_view text) {
  Reader reader(text);
  Json value;
  if (!reader.Value(value) || !reader.AtEnd()) return std::nullopt;
  return value;
}

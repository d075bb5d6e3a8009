// A small JSON reader for the simulator's tests: enough for its trace lines and world
// line. Numbers keep their text, so a float reads back exactly as written.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string text;  // a number's text, or a string's value
  std::vector<Json> items;
  std::map<std::string, Json> fields;

  bool Has(const std::string& name) const { return fields.count(name) != 0; }
  // The field `name`; a null value when there is none.
  const Json& operator[](const std::string& name) const;
  const Json& operator[](size_t index) const { return items.at(index); }
  double Number() const;  // 0 for a non-number
  float Float() const;    // the single-precision value of the number's text
  long long Int() const;  // the number's text as an integer
  const std::string& Str() const { return text; }
};

// None when `text` is not one whole JSON value.
std::optional<Json> ParseJson(std::string_view text);

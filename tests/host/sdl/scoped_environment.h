// Process environment changes that a test undoes when it ends, even when it stops at
// a failed assertion: variables put back, and a private folder of helper programs
// that can stand in for the whole PATH.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScopedEnvironment {
 public:
  // Remembers the variables `names` now; the test may then set or unset them freely.
  explicit ScopedEnvironment(std::initializer_list<const char*> names);
  ~ScopedEnvironment();  // each one back as it was, or removed again
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// An empty temporary folder for programs a test writes itself, removed with its
// contents when the object goes.
class ProgramFolder {
 public:
  ProgramFolder();  // path() is empty when the folder could not be made
  ~ProgramFolder();
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  const std::string& path() const { return path_; }
  // Writes the executable shell script `name` running `body` with /bin/sh.
  bool AddScript(const std::string& name, const std::string& body);

 private:
  std::string path_;
};

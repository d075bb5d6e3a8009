#include "scoped_environment.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

ScopedEnvironment::ScopedEnvironment(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
  }
}

ScopedEnvironment::~ScopedEnvironment() {
  for (const auto& [name, value] : saved_) {
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
}

ProgramFolder::ProgramFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quelmire-programs-XXXXXX");
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ProgramFolder::~ProgramFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

bool ProgramFolder::AddScript(const std::string& name, const std::string& body) {
  if (path_.empty()) return false;
  std::string file = path_ + "/" + name;
  {
    std::ofstream script(file);
    script << "#!/bin/sh\n" << body << "\n";
    if (!script.flush()) return false;
  }
  return chmod(file.c_str(), 0755) == 0;
}

#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace fendrel {

// Whole-file helpers for tests that compare files byte for byte.
inline std::string WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

inline std::string ReadBytes(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

}  // namespace fendrel

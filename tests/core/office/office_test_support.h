// Helpers of the office tests: reading the parts of a written package, counting in XML text.
#pragma once

#include <zip.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace bexlo::testing {

// The bytes of part `name` of the zip package at `path`; throws when either is missing.
inline std::string ZipPart(const std::string& path, const std::string& name) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) throw std::runtime_error("not a zip package: " + path);
  zip_stat_t stat;
  zip_file_t* file = nullptr;
  std::string data;
  if (zip_stat(archive, name.c_str(), 0, &stat) == 0 && (file = zip_fopen(archive, name.c_str(), 0))) {
    data.resize(stat.size);
    zip_fread(file, data.data(), stat.size);
    zip_fclose(file);
  }
  zip_close(archive);
  if (!file) throw std::runtime_error("no part " + name + " in " + path);
  return data;
}

inline int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

}  // namespace bexlo::testing

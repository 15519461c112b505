#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string folder_path;

void remove_private_folder() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_path, ignored);
}

}  // namespace

const std::string& private_folder() {
  if (folder_path.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vocana-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    folder_path = pattern;
    std::atexit(remove_private_folder);
  }
  return folder_path;
}

void write_whole_file(const std::string& path, const unsigned char* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  if (std::fclose(file) != 0) std::abort();
}

std::string read_whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

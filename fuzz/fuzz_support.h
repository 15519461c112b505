// Shared pieces of the fuzz targets: the unwinding fatal exit and a private
// temporary folder.
#pragma once

#include <cstddef>
#include <string>

// private_folder: a folder of this process under the system's temporary
//   folder, made at the first call and removed with its files at exit.
// Returns its path (no trailing slash). Aborts when it cannot be made.
const std::string& private_folder();

// write_whole_file: replaces path with data[0..size-1]. Aborts on failure.
void write_whole_file(const std::string& path, const unsigned char* data, std::size_t size);

// read_whole_file: the bytes of path, empty when it cannot be read.
std::string read_whole_file(const std::string& path);

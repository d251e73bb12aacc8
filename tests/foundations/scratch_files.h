// scratch_files.h: what the file tests share: files by name in a scratch
// directory that each fixture makes and removes in its own way, written and
// read byte for byte around the operations under test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchFiles : public testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Raw(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

  std::string dir_;
};

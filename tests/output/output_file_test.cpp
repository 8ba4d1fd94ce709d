// The named new files of --Output where no file without a name can be made
// (Windows, some file systems): what a killed run left is removed by the
// next, and nothing else.
#include "output/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

TEST(OutputFile, NextRunRemovesWhatKilledRunsLeft) {
  const fs::path dir =
      fs::temp_directory_path() / ("quonvel-stale-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  const std::string folder = dir.string() + "/";
  const std::string ours = TemporaryName(folder);               // a running process
  const std::string gone = TemporaryName(folder, 999'999'999);  // no such process
  const std::string others[] = {ours, folder + ".quonvel-999999999-otherpc.tmp",
                                folder + ".quonvel-x-1.tmp", folder + "a.tmp"};
  for (const std::string& name : others) std::ofstream(name) << "kept";
  std::ofstream(gone) << "left";
  RemoveStaleTemporaries(folder);
  EXPECT_FALSE(fs::exists(gone));
  for (const std::string& name : others) EXPECT_TRUE(fs::exists(name)) << name;
  fs::remove_all(dir);
}

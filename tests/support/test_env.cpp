#include "tests/support/test_env.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/d3d9/gl_errors.h"
#include "runtime/win32/win32_internal.h"

namespace ember::test {

namespace {
void Capture(const char* text, void* context) {
  static_cast<TestEnvironment*>(context)->debugWrites.push_back(text);
}
}  // namespace

TestEnvironment::TestEnvironment() {
  char cwd[4096];
  previousDir_ = getcwd(cwd, sizeof cwd) ? cwd : "/tmp";
  char pattern[] = "/tmp/emberlab-test-XXXXXX";
  root_ = mkdtemp(pattern);
  // The program works in bin/ and finds its data beside it, as in the staged tree.
  dir_ = root_ + "/bin";
  std::filesystem::create_directory(dir_);
#ifdef EMBER_STAGE_DIR
  std::error_code ignored;
  std::filesystem::create_directory_symlink(EMBER_STAGE_DIR "/Immagini", root_ + "/Immagini",
                                            ignored);
  std::filesystem::create_directory_symlink(EMBER_STAGE_DIR "/Data", root_ + "/Data", ignored);
#endif
  if (chdir(dir_.c_str()) != 0) std::abort();
  host::Install(&host);
  win32::ResetState();
  win32::SetDebugOutputSink(Capture, this);
  glErrorsAtStart_ = d3d9::GLErrorCount();
}

TestEnvironment::~TestEnvironment() {
  // Whatever the program did, GL saw no invalid call.
  EXPECT_EQ(d3d9::GLErrorCount(), glErrorsAtStart_) << DebugText();
  win32::SetDebugOutputSink(nullptr, nullptr);
  win32::ResetState();
  host.Shutdown();
  host::Install(nullptr);
  if (chdir(previousDir_.c_str()) != 0) std::abort();
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TestEnvironment::DebugText() const {
  std::string all;
  for (const std::string& w : debugWrites) all += w;
  return all;
}

void TestEnvironment::RemoveDirectory() { std::filesystem::remove_all(dir_); }

std::string TestEnvironment::ReadFile(const char* name) const {
  std::ifstream in(dir_ + "/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TestEnvironment::FileExists(const char* name) const {
  return std::filesystem::exists(dir_ + "/" + name);
}

void TestEnvironment::WriteFile(const char* name, const std::string& content) const {
  std::ofstream(dir_ + "/" + name, std::ios::binary) << content;
}

}  // namespace ember::test

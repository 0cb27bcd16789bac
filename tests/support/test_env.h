// What tests share: a scripted host installed for the test, a fresh working directory, and the
// debug output captured write by write. A GL error while it lives fails the test.
#pragma once

#include <string>
#include <vector>

#include "runtime/host/scripted_host.h"

namespace ember::test {

class TestEnvironment {
 public:
  TestEnvironment();
  ~TestEnvironment();

  host::ScriptedHost host;
  std::vector<std::string> debugWrites;

  std::string DebugText() const;
  // The working directory; the data folders lie beside it.
  const std::string& Directory() const { return dir_; }
  const std::string& Root() const { return root_; }
  // The working directory disappears: every file the program creates there fails.
  void RemoveDirectory();
  std::string ReadFile(const char* name) const;
  bool FileExists(const char* name) const;
  void WriteFile(const char* name, const std::string& content) const;

 private:
  unsigned long glErrorsAtStart_ = 0;
  std::string root_;
  std::string dir_;
  std::string previousDir_;
};

}  // namespace ember::test

#include <gtest/gtest.h>

#include "app/log.h"
#include "tests/support/program_run.h"

namespace {

using ember::test::TestEnvironment;

TEST(Log, ReportErrorWritesThreePiecesWithThePrefix) {
  TestEnvironment env;
  ReportError("Unable to acquire mouse");
  ASSERT_EQ(env.debugWrites.size(), 3u);
  EXPECT_EQ(env.debugWrites[0], "ERROR: ");
  EXPECT_EQ(env.debugWrites[1], "Unable to acquire mouse");
  EXPECT_EQ(env.debugWrites[2], "\n");
}

TEST(Log, OpenLogReplacesAnOlderFileWithTheHeaderAlone) {
  TestEnvironment env;
  ember::test::ResetProgram();
  env.WriteFile("D3D.log", "old content that is much longer than the header\n");
  ASSERT_TRUE(OpenLog());
  CloseLog();
  EXPECT_EQ(env.ReadFile("D3D.log"), "D3D LOG FILE \n\n\n");
  EXPECT_TRUE(env.debugWrites.empty());
  CloseLog();  // a second close does nothing
}

TEST(Log, OpenLogInAMissingDirectoryFailsWithItsThreePartMessage) {
  TestEnvironment env;
  ember::test::ResetProgram();
  env.RemoveDirectory();
  EXPECT_FALSE(OpenLog());
  EXPECT_EQ(g_logFile, nullptr);
  ASSERT_EQ(env.debugWrites.size(), 3u);
  EXPECT_EQ(env.debugWrites[0], "Impossibile aprire il file: ");
  EXPECT_EQ(env.debugWrites[1], "D3D.log");
  EXPECT_EQ(env.debugWrites[2], "\n");
  CloseLog();
  WriteLogLine("nothing to write to");
}

TEST(Log, WriteLogLineAppendsALine) {
  TestEnvironment env;
  ember::test::ResetProgram();
  ASSERT_TRUE(OpenLog());
  WriteLogLine("hello");
  CloseLog();
  EXPECT_EQ(env.ReadFile("D3D.log"), "D3D LOG FILE \n\n\nhello\n");
}

}  // namespace

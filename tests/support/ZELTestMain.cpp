// The main of every test binary: runs a child scenario when asked to, else the
// tests, in a private temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ZELCountingFakes.h"
#include "ZELTestSupport.h"

int ZELRunChildScenarioIfAsked(int argc, char** argv);

int main(int argc, char** argv) {
  int childCode = ZELRunChildScenarioIfAsked(argc, argv);
  if (childCode >= 0) return childCode;

  ZELFakeImbalanceHandler = [](const std::string& what, long refs) {
    ADD_FAILURE() << what << " destroyed with " << refs << " references (expected 1)";
  };
  // Trace files and other temporary files of this run go to a folder of its own.
  ZELTempDir* tmp = new ZELTempDir;
  setenv("TMPDIR", tmp->Path().c_str(), 1);
  testing::InitGoogleTest(&argc, argv);
  int code = RUN_ALL_TESTS();
  delete tmp;
  return code;
}

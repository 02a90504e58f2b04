#include "common/error_report.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(GeneralErrorText, FullStopAfterCharactersAboveTheFullStop) {
  EXPECT_EQ(GeneralErrorText("Permission denied"), "Permission denied.");
  EXPECT_EQ(GeneralErrorText("code 5"), "code 5.");  // digits lie above "."
  EXPECT_EQ(GeneralErrorText("Done."), "Done.");
  EXPECT_EQ(GeneralErrorText("Why?"), "Why?.");  // "?" lies above "." too
  EXPECT_EQ(GeneralErrorText("Stop!"), "Stop!");
  EXPECT_EQ(GeneralErrorText("a-"), "a-");
  EXPECT_EQ(GeneralErrorText("path /"), "path /.");
  EXPECT_EQ(GeneralErrorText("trailing "), "trailing ");
  EXPECT_EQ(GeneralErrorText(""), "");
  // Characters beyond ASCII compare as code points: all lie above ".".
  EXPECT_EQ(GeneralErrorText("caf\xC3\xA9"), "caf\xC3\xA9.");
  EXPECT_EQ(GeneralErrorText("\xE2\x80\xA6"), "\xE2\x80\xA6.");
}

}  // namespace
}  // namespace tessary

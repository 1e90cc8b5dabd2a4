#include "console/core/program_end.h"

#include <gtest/gtest.h>

#include "console/core/frame.h"
#include "console/core/frontend.h"

namespace console {
namespace {

// A front end that answers boxes from a script and records what was asked.
class ScriptedFrontEnd : public FrontEnd {
 public:
  std::string_view application_name() const override { return "tavo"; }
  bool shows_message_boxes() const override { return true; }
  BoxAnswer message_box(std::string_view text, std::string_view caption, BoxKind kind) override {
    boxes.push_back({std::string(text), std::string(caption), kind});
    return answer;
  }
  void post_close() override { ++closes; }
  [[noreturn]] void wait_forever() override { throw WaitedForever{}; }

  struct Box {
    std::string text, caption;
    BoxKind kind;
  };
  struct WaitedForever {};
  std::vector<Box> boxes;
  BoxAnswer answer = BoxAnswer::Yes;
  int closes = 0;
};

class ProgramEndTest : public ::testing::Test {
 protected:
  ProgramEndTest() { install_front_end(&fe_); }
  ~ProgramEndTest() override {
    install_front_end(nullptr);
    set_exit_mode(1);
  }
  ScriptedFrontEnd fe_;
};

TEST_F(ProgramEndTest, ExitModeSetter) {
  EXPECT_EQ(set_exit_mode(2), 0);
  EXPECT_EQ(exit_mode(), ExitMode::NoPersist);
  EXPECT_EQ(set_exit_mode(0), -1);
  EXPECT_EQ(set_exit_mode(4), -1);
  EXPECT_EQ(exit_mode(), ExitMode::NoPersist);
  EXPECT_EQ(set_exit_mode(3), 0);
  EXPECT_EQ(set_exit_mode(1), 0);
}

TEST_F(ProgramEndTest, PromptAsksAndYesCloses) {
  end_of_program(3);
  ASSERT_EQ(fe_.boxes.size(), 1u);
  EXPECT_EQ(fe_.boxes[0].text, "Program Terminated with exit code 3\nExit Window?");
  EXPECT_EQ(fe_.boxes[0].caption, "tavo");
  EXPECT_EQ(fe_.boxes[0].kind, BoxKind::ExitPrompt);
  EXPECT_EQ(fe_.closes, 1);
  EXPECT_EQ(exit_prompt_text(-1), "Program Terminated with exit code -1\nExit Window?");
}

TEST_F(ProgramEndTest, PromptNoKeepsTheWindows) {
  fe_.answer = BoxAnswer::No;
  EXPECT_THROW(end_of_program(1), ScriptedFrontEnd::WaitedForever);
  EXPECT_EQ(fe_.closes, 0);
}

TEST_F(ProgramEndTest, NoPersistClosesWithoutAskingPersistDoesNothing) {
  set_exit_mode(2);
  end_of_program(0);
  EXPECT_TRUE(fe_.boxes.empty());
  EXPECT_EQ(fe_.closes, 1);
  set_exit_mode(3);
  end_of_program(0);
  EXPECT_TRUE(fe_.boxes.empty());
  EXPECT_EQ(fe_.closes, 1);
}

TEST_F(ProgramEndTest, RunProgramWrapsTheEntryWithTheRuntimeHooks) {
  static std::vector<std::string> calls;
  calls.clear();
  set_exit_mode(2);
  run_program([] { calls.push_back("program"); },
              {[] { calls.push_back("initialise"); }, [] { calls.push_back("terminate"); }});
  EXPECT_EQ(calls, (std::vector<std::string>{"initialise", "program", "terminate"}));
  EXPECT_EQ(fe_.closes, 1);
}

TEST(FrameQuery, WithoutAFrameTheHandleIsZeroAndTheCaptionFails) {
  EXPECT_EQ(window_handle(kFrameWindowUnit), 0);
  EXPECT_FALSE(set_window_text(window_handle(kFrameWindowUnit), "TAVO 1.0 - Tavorama"));
}

}  // namespace
}  // namespace console

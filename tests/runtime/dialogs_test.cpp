// Scripted dialogs: what was asked, the answers in order, and the default buttons.
#include "runtime/dialogs.h"

#include <gtest/gtest.h>

#include "runtime/values.h"

namespace tarnvel {
namespace {

TEST(DialogScript, RecordsQuestionsAndAnswersInOrder) {
  ScopedDialogScript script;
  script.AnswerMessage(kButtonNo);
  script.AnswerMessage(kButtonCancel);
  EXPECT_EQ(ShowMessage("真的退出吗？", kMessageYesNo | kMessageIconQuestion, "提示"), kButtonNo);
  EXPECT_EQ(ShowMessage("继续？", kMessageYesNoCancel), kButtonCancel);
  EXPECT_EQ(ShowMessage("已经完成任务"), kButtonOk);  // nothing scripted: the default button
  const auto asked = script.Messages();
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].message, "真的退出吗？");
  EXPECT_EQ(asked[0].flags, 36);
  EXPECT_EQ(asked[0].caption, "提示");
  EXPECT_EQ(asked[2].caption, "信息：");
  EXPECT_EQ(asked[2].flags, 0);
}

TEST(DialogScript, UnscriptedBoxesAnswerWithTheirDefaultButton) {
  EXPECT_EQ(DefaultButton(kMessageOk), kButtonOk);
  EXPECT_EQ(DefaultButton(kMessageOkCancel), kButtonOk);
  EXPECT_EQ(DefaultButton(kMessageOkCancel | kMessageDefaultSecond), kButtonCancel);
  EXPECT_EQ(DefaultButton(kMessageAbortRetryIgnore | kMessageDefaultThird), kButtonIgnore);
  EXPECT_EQ(DefaultButton(kMessageYesNo), kButtonYes);
  EXPECT_EQ(DefaultButton(kMessageYesNo | kMessageDefaultSecond | kMessageIconExclamation), kButtonNo);
  EXPECT_EQ(DefaultButton(kMessageYesNoCancel | kMessageDefaultThird), kButtonCancel);
  EXPECT_EQ(DefaultButton(kMessageRetryCancel), kButtonRetry);
}

TEST(DialogScript, FoldersMenusAndBeeps) {
  ScopedDialogScript script;
  script.AnswerFolder("Z:\\源");
  EXPECT_EQ(ChooseFolder("选择源目录"), "Z:\\源");
  EXPECT_EQ(ChooseFolder("选择目标目录"), "");  // cancelled
  EXPECT_EQ(script.FolderTitles(), (std::vector<std::string>{"选择源目录", "选择目标目录"}));

  script.AnswerMenu(3);
  const Menu menu{{1, "添加"}, {0, ""}, {3, "删除"}};
  EXPECT_EQ(CurrentDialogService().PopupMenu(nullptr, menu, std::nullopt, std::nullopt), 3);
  EXPECT_EQ(CurrentDialogService().PopupMenu(nullptr, menu, 10, 10), 0);
  ASSERT_EQ(script.Menus().size(), 2u);
  EXPECT_EQ(script.Menus()[0][2].text, "删除");

  Beep();
  Beep();
  EXPECT_EQ(script.Beeps(), 2);
}

TEST(DialogScript, NestedScriptsRestoreTheOuterOne) {
  ScopedDialogScript outer;
  outer.AnswerMessage(kButtonRetry);
  {
    ScopedDialogScript inner;
    inner.AnswerMessage(kButtonIgnore);
    EXPECT_EQ(ShowMessage("inner", kMessageAbortRetryIgnore), kButtonIgnore);
    EXPECT_EQ(outer.Messages().size(), 0u);
  }
  EXPECT_EQ(ShowMessage("outer", kMessageRetryCancel), kButtonRetry);
  EXPECT_EQ(outer.Messages().size(), 1u);
}

#ifndef _WIN32
TEST(DialogScript, WithoutAScriptABuildWithoutWindowsRefusesToAnswer) {
  EXPECT_THROW(ShowMessage("无人可问"), RuntimeError);
}
#endif

}  // namespace
}  // namespace tarnvel

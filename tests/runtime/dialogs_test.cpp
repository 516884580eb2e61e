#include "runtime/dialogs.h"
#include "runtime/errors.h"
#include "tests/support/scripted_dialogs.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

using testsupport::RecordedCall;
using testsupport::ScriptedDialogs;

TEST(ScriptedDialogs, RecordsTextIconButtonsAndTitle) {
  ScriptedDialogs script;
  script.answerMsgBox(rt::vbNo).answerMsgBox(rt::vbOK);
  EXPECT_EQ(rt::MsgBox("Image has been modified! Save changes?", rt::vbYesNoCancel + rt::vbQuestion, "Confirmation"),
            rt::vbNo);
  EXPECT_EQ(rt::MsgBox("Done", rt::vbInformation, "Information"), rt::vbOK);
  ASSERT_EQ(script.calls().size(), 2u);
  const RecordedCall& c = script.calls()[0];
  EXPECT_EQ(c.kind, RecordedCall::MsgBox);
  EXPECT_EQ(c.text, "Image has been modified! Save changes?");
  EXPECT_EQ(c.icon(), rt::vbQuestion);
  EXPECT_EQ(c.buttons(), rt::vbYesNoCancel);
  EXPECT_EQ(c.title, "Confirmation");
  EXPECT_EQ(script.calls()[1].icon(), rt::vbInformation);
}

TEST(ScriptedDialogs, AnUnexpectedMessageBoxFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedDialogs script;
        // Nothing scripted: the box must fail the test and get the most cautious answer.
        EXPECT_EQ(rt::MsgBox("Surprise", rt::vbYesNoCancel, "Confirmation"), rt::vbCancel);
      },
      "unexpected message box: Surprise");
}

TEST(ScriptedDialogs, AScriptedAnswerNeverAskedForFailsTheTest) {
  EXPECT_NONFATAL_FAILURE({ ScriptedDialogs script; script.answerMsgBox(rt::vbOK); }, "never asked for");
}

TEST(ScriptedDialogs, AWrongKindOfCallFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedDialogs script;
        script.answerInput("x");
        rt::MsgBox("Hello");
        script.verify();
      },
      "expected a input box");
}

TEST(CommonDialog, CancelRaises32755OnlyWithCancelError) {
  ScriptedDialogs script;
  script.cancelDialog(rt::DialogKind::Open).cancelDialog(rt::DialogKind::Save);
  rt::CommonDialog dlg;
  dlg.CancelError = true;
  dlg.FileName = "old";
  try {
    dlg.ShowOpen();
    ADD_FAILURE() << "no cancel error";
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Number(), rt::kErrCancel);
  }
  dlg.CancelError = false;
  dlg.ShowSave();
  EXPECT_TRUE(dlg.FileName.isEmpty());
}

TEST(CommonDialog, PassesTheRequestAndTakesTheAnswer) {
  ScriptedDialogs script;
  script.answerDialog(rt::DialogKind::Save, [](rt::DialogRequest& r) {
    EXPECT_EQ(r.filter, "TIFF|*.tif|All Files|*.*");
    EXPECT_EQ(r.filterIndex, 2);
    EXPECT_EQ(r.title, "Save As");
    r.fileName = "/tmp/out.tif";
    r.filterIndex = 1;
    return true;
  });
  script.answerDialog(rt::DialogKind::Color, [](rt::DialogRequest& r) {
    r.color = 0x00FF0000;
    return true;
  });
  rt::CommonDialog dlg;
  dlg.CancelError = true;
  dlg.Filter = "TIFF|*.tif|All Files|*.*";
  dlg.FilterIndex = 2;
  dlg.DialogTitle = "Save As";
  dlg.ShowSave();
  EXPECT_EQ(dlg.FileName, "/tmp/out.tif");
  EXPECT_EQ(dlg.FileTitle(), "out.tif");
  EXPECT_EQ(dlg.FilterIndex, 1);
  dlg.ShowColor();
  EXPECT_EQ(dlg.Color, 0x00FF0000u);
}

TEST(InputBox, CancelGivesEmptyText) {
  ScriptedDialogs script;
  script.answerInput("abc").cancelInput();
  EXPECT_EQ(rt::InputBox("Name?", "Title", "def"), "abc");
  EXPECT_EQ(rt::InputBox("Name?", "Title", "def"), "");
  EXPECT_EQ(script.calls()[0].title, "Title");
}

}  // namespace

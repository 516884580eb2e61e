#include "tests/support/scripted_dialogs.h"

#include <gtest/gtest.h>

namespace testsupport {

namespace {
const char* kindName(RecordedCall::Kind k) {
  switch (k) {
    case RecordedCall::MsgBox: return "message box";
    case RecordedCall::InputBox: return "input box";
    default: return "common dialog";
  }
}

// The service holds ownership of whatever is installed; the scripted service lives on the test's
// stack, so it is installed through a forwarding shell.
class Forward : public rt::DialogService {
 public:
  explicit Forward(rt::DialogService* to) : to_(to) {}
  int msgBox(const QString& p, int s, const QString& t) override { return to_->msgBox(p, s, t); }
  bool inputBox(const QString& p, const QString& t, QString* x) override { return to_->inputBox(p, t, x); }
  bool commonDialog(rt::DialogRequest& r) override { return to_->commonDialog(r); }

 private:
  rt::DialogService* to_;
};
}  // namespace

ScriptedDialogs::ScriptedDialogs() { previous_ = rt::setDialogService(std::make_unique<Forward>(this)); }

ScriptedDialogs::~ScriptedDialogs() {
  verify();
  rt::setDialogService(std::move(previous_));
}

void ScriptedDialogs::verify() {
  for (const Entry& e : script_)
    ADD_FAILURE() << "a scripted " << kindName(e.kind) << " answer was never asked for";
  script_.clear();
}

ScriptedDialogs& ScriptedDialogs::answerMsgBox(int answer) {
  script_.push_back({RecordedCall::MsgBox, rt::DialogKind::Open, answer, {}, true, {}});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::answerInput(const QString& text) {
  script_.push_back({RecordedCall::InputBox, rt::DialogKind::Open, 0, text, true, {}});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::cancelInput() {
  script_.push_back({RecordedCall::InputBox, rt::DialogKind::Open, 0, {}, false, {}});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::answerFile(rt::DialogKind kind, const QString& fileName) {
  return answerDialog(kind, [fileName](rt::DialogRequest& r) {
    r.fileName = fileName;
    return true;
  });
}

ScriptedDialogs& ScriptedDialogs::answerDialog(rt::DialogKind kind, std::function<bool(rt::DialogRequest&)> answer) {
  script_.push_back({RecordedCall::Dialog, kind, 0, {}, true, std::move(answer)});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::cancelDialog(rt::DialogKind kind) {
  script_.push_back({RecordedCall::Dialog, kind, 0, {}, false, {}});
  return *this;
}

bool ScriptedDialogs::take(RecordedCall::Kind kind, rt::DialogKind dk, const QString& what, Entry* out) {
  if (script_.empty()) {
    ADD_FAILURE() << "unexpected " << kindName(kind) << ": " << what.toStdString();
    return false;
  }
  Entry e = script_.front();
  if (e.kind != kind || (kind == RecordedCall::Dialog && e.dialogKind != dk)) {
    script_.pop_front();  // one mismatch is one failure, not a second one at the end
    ADD_FAILURE() << "expected a " << kindName(e.kind) << " but the program showed a " << kindName(kind) << ": "
                  << what.toStdString();
    return false;
  }
  script_.pop_front();
  *out = std::move(e);
  return true;
}

int ScriptedDialogs::msgBox(const QString& prompt, int style, const QString& title) {
  RecordedCall c;
  c.kind = RecordedCall::MsgBox;
  c.text = prompt;
  c.style = style;
  c.title = title;
  calls_.push_back(c);
  Entry e;
  if (!take(RecordedCall::MsgBox, rt::DialogKind::Open, prompt, &e)) {
    // An unscripted box gets the answer that changes least: Cancel, else No, else OK.
    switch (rt::MsgBoxButtons(style)) {
      case rt::vbOKCancel: case rt::vbYesNoCancel: case rt::vbRetryCancel: return rt::vbCancel;
      case rt::vbYesNo: return rt::vbNo;
      case rt::vbAbortRetryIgnore: return rt::vbAbort;
      default: return rt::vbOK;
    }
  }
  return e.answer;
}

bool ScriptedDialogs::inputBox(const QString& prompt, const QString& title, QString* text) {
  RecordedCall c;
  c.kind = RecordedCall::InputBox;
  c.text = prompt;
  c.title = title;
  calls_.push_back(c);
  Entry e;
  if (!take(RecordedCall::InputBox, rt::DialogKind::Open, prompt, &e) || !e.accept) return false;
  *text = e.text;
  return true;
}

bool ScriptedDialogs::commonDialog(rt::DialogRequest& request) {
  RecordedCall c;
  c.kind = RecordedCall::Dialog;
  c.text = request.title;
  c.title = request.title;
  c.dialogKind = request.kind;
  c.request = request;
  calls_.push_back(c);
  Entry e;
  if (!take(RecordedCall::Dialog, request.kind, request.title, &e) || !e.accept) return false;
  return e.fn ? e.fn(request) : true;
}

}  // namespace testsupport

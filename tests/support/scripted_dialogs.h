#pragma once
// A dialog service for tests: each message box, input box or common dialog must have been scripted
// in order; it records what the program showed and fails the test on an unexpected call or on a
// scripted answer that was never asked for.
#include "runtime/dialogs.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

struct RecordedCall {
  enum Kind { MsgBox, InputBox, Dialog } kind = MsgBox;
  QString text;   // prompt, or the dialog's title
  int style = 0;  // message box style
  QString title;
  rt::DialogKind dialogKind = rt::DialogKind::Open;
  rt::DialogRequest request;  // for common dialogs: what the program asked

  int buttons() const { return rt::MsgBoxButtons(style); }
  int icon() const { return rt::MsgBoxIcon(style); }
};

class ScriptedDialogs : public rt::DialogService {
 public:
  // Installs itself as the service in force; the previous one comes back on destruction.
  ScriptedDialogs();
  ~ScriptedDialogs() override;

  ScriptedDialogs& answerMsgBox(int answer);
  ScriptedDialogs& answerInput(const QString& text);
  ScriptedDialogs& cancelInput();
  // Common dialogs: accept with a file name (open / save), or answer with a function of the request.
  ScriptedDialogs& answerFile(rt::DialogKind kind, const QString& fileName);
  ScriptedDialogs& answerDialog(rt::DialogKind kind, std::function<bool(rt::DialogRequest&)> answer);
  ScriptedDialogs& cancelDialog(rt::DialogKind kind);

  const std::vector<RecordedCall>& calls() const { return calls_; }
  // Scripted answers not yet asked for.
  std::size_t pending() const { return script_.size(); }
  // Reports unanswered entries now (the destructor does so as well) and drops them.
  void verify();

  int msgBox(const QString& prompt, int style, const QString& title) override;
  bool inputBox(const QString& prompt, const QString& title, QString* text) override;
  bool commonDialog(rt::DialogRequest& request) override;

 private:
  struct Entry {
    RecordedCall::Kind kind;
    rt::DialogKind dialogKind = rt::DialogKind::Open;
    int answer = 0;
    QString text;
    bool accept = true;
    std::function<bool(rt::DialogRequest&)> fn;
  };
  bool take(RecordedCall::Kind kind, rt::DialogKind dk, const QString& what, Entry* out);

  std::deque<Entry> script_;
  std::vector<RecordedCall> calls_;
  rt::DialogService* previousRaw_ = nullptr;
  std::unique_ptr<rt::DialogService> previous_;
};

}  // namespace testsupport

#include "archive/frm_arch_retrieve.h"
#include "archive/register_windows.h"
#include "tests/archive/archive_fixture.h"
#include "workspace/archive_commands.h"

#include <QLineEdit>

namespace archivetest {
namespace {

// The server drops the connection after each byte offset of a small retrieve in turn (the reply
// text, then the document bytes): every run but the complete one ends with an error message, no
// run hangs, and no document is opened from a partial file.
TEST_F(ArchiveTest, DroppedRetrieveNeverOpensAPartialDocument) {
  registerArchiveWindows();
  frmImgClntForm* w = window();
  doc().login.view = true;
  const QByteArray doc = fileBytes(file(QStringLiteral("small.bmp"), {{4, 4, 0x0000FF}}, 5)) + '\0';
  const QByteArray reply = "ACK: INDICES, BYTES - A1,P,Q," + QByteArray::number(doc.size() - 1);
  const int total = static_cast<int>(reply.size() + doc.size());
  for (int k = 0; k <= total; ++k) {
    SCOPED_TRACE(k);
    freshFake();
    if (k <= reply.size()) {
      fake->on(Side::Request, "INIT - ", {Action::send(reply.left(k)), Action::close()});
    } else {
      fake->on(Side::Request, "INIT - ", {Action::send(reply)})
          .on(Side::Request, "ACK: PLEASE PROCEED", {Action::send(doc.left(k - reply.size())), Action::close()});
    }
    whenShown<frmArchRetrieveForm>(frmArchRetrieve, [](frmArchRetrieveForm* f) {
      f->txtAchID->setText(QStringLiteral("A1"));
      f->cmdOK_Click();
    });
    const std::size_t boxes = dialogs.calls().size();
    if (k < total) dialogs.answerMsgBox(rt::vbOK);
    ws::mnuArchRetrieve_Click(*w);
    EXPECT_FALSE(busy());
    if (k < total) {
      ASSERT_EQ(dialogs.calls().size(), boxes + 1);
      expectBox(QStringLiteral("TCPIP network errors encountered. Operation aborted!"));
      EXPECT_TRUE(w->ixMain->SourceFile().isEmpty());
      EXPECT_FALSE(workingExists());
    } else {
      EXPECT_EQ(dialogs.calls().size(), boxes);
      EXPECT_EQ(ws::document().pageCount(), 1);
      EXPECT_EQ(w->ixMain->ImageWidth(), 4);
    }
  }
}

}  // namespace
}  // namespace archivetest

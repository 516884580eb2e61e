// The files of the desktop's file-type mechanism that the program writes: the desktop entry, and
// the user's mimeapps.list, which others write too and which is read as it comes.
#include "workspace/settings/ext_assoc.h"

#include <gtest/gtest.h>

namespace {

TEST(DesktopEntry, ReservedCharactersOfTheProgramPathAreEscaped) {
  const QString text = QString::fromUtf8(extAssoc::desktopEntry(QStringLiteral("/opt/my $app \"x\"/kvtLumivex")));
  EXPECT_TRUE(text.contains(QStringLiteral("Exec=\"/opt/my \\\\$app \\\\\"x\\\\\"/kvtLumivex\" %f\n"))) << text.toStdString();
}

TEST(MimeAppsList, DefaultsAreAddedToTheirSectionOrANewOne) {
  EXPECT_EQ(extAssoc::withDefaults(QByteArray(), {"image/png"}), QByteArray("[Default Applications]\nimage/png=kvtLumivex.desktop\n"));
  EXPECT_EQ(extAssoc::withDefaults("[Added Associations]\na/b=x.desktop;\n", {"image/png", "image/bmp"}),
            QByteArray("[Added Associations]\na/b=x.desktop;\n\n[Default Applications]\nimage/png=kvtLumivex.desktop\n"
                       "image/bmp=kvtLumivex.desktop\n"));
  EXPECT_EQ(extAssoc::withDefaults("[Default Applications]\nimage/bmp=v.desktop\n\n[Other]\nk=v\n", {"image/bmp", "image/png"}),
            QByteArray("[Default Applications]\nimage/bmp=kvtLumivex.desktop\nimage/png=kvtLumivex.desktop\n\n[Other]\nk=v\n"));
}
TEST(MimeAppsList, ForeignTextIsKeptAsItStands) {
  struct Case {
    const char* name;
    QByteArray in, out;
  } cases[] = {
      {"no newline at the end", "[Default Applications]\nimage/png=v.desktop", "[Default Applications]\nimage/png=kvtLumivex.desktop\n"},
      {"lines without a key", "[Default Applications]\n=\nnonsense\n", "[Default Applications]\n=\nnonsense\nimage/png=kvtLumivex.desktop\n"},
      {"a section name unclosed", "[Default Applications\nimage/png=v.desktop\n",
       "[Default Applications\nimage/png=v.desktop\n\n[Default Applications]\nimage/png=kvtLumivex.desktop\n"},
      {"a prefix of the type is another type", "[Default Applications]\nimage/pngx=v.desktop\n",
       "[Default Applications]\nimage/pngx=v.desktop\nimage/png=kvtLumivex.desktop\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(extAssoc::withDefaults(c.in, {"image/png"}), c.out) << c.name;
  // Bytes that are not text, a zero among them, go through untouched.
  static const char raw[] = "[Default Applications]\n\xff\x00\x01=\x80\n";
  const QByteArray in(raw, sizeof(raw) - 1);
  EXPECT_EQ(extAssoc::withDefaults(in, {"image/png"}), in + "image/png=kvtLumivex.desktop\n");
}

}  // namespace

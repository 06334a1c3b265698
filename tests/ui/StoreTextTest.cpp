// Clip text at the boundary between the clipboard (LF) and the store (CR LF lines, UTF-8 or
// Windows-1252 bytes written on Windows).
#include "ui/StoreText.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(StoreText, ClipboardLineEndsBecomeCrLfOnceAndComeBackAsLf) {
    struct Case {
        const char* clipboard;
        const char* store;
    };
    for (const Case& c :
         {Case{"a\nb", "a\r\nb"}, Case{"a\r\nb", "a\r\nb"}, Case{"a\n\nb\n", "a\r\n\r\nb\r\n"},
          Case{"\nlead", "\r\nlead"}, Case{"mixed\r\nand\nlone\rcr", "mixed\r\nand\r\nlone\rcr"},
          Case{"", ""}}) {
        EXPECT_EQ(ClipToStore(QString::fromUtf8(c.clipboard)), c.store) << c.clipboard;
    }
    EXPECT_EQ(StoreToClip("a\r\n\r\nb\r\n"), "a\n\nb\n");
    EXPECT_EQ(StoreToClip("lone\rcr"), "lone\rcr"); // only pairs are line ends
    const QString text = QStringLiteral("caf\u00e9 \u2013 \U0001F600\nline");
    EXPECT_EQ(StoreToClip(ClipToStore(text)), text);
}

TEST(StoreText, BytesThatAreNotUtf8AreReadAsWindows1252) {
    EXPECT_EQ(FromStore("caf\xe9 \x80 \x93quote\x94"),
              QStringLiteral("caf\u00e9 \u20ac \u201cquote\u201d"));
    // The ends of the table: 0x80 and 0x9F (Y with diaeresis), and the holes Windows leaves.
    EXPECT_EQ(FromStore("\x9f\x8a\x81 x\xff"), QStringLiteral("\u0178\u0160\u0081 x\u00ff"));
    EXPECT_EQ(FromStore("caf\xc3\xa9"), QStringLiteral("caf\u00e9")); // valid UTF-8 stays
    EXPECT_EQ(StoreToClip("\x93one\x94\r\ntwo\r\n"), QStringLiteral("\u201cone\u201d\ntwo\n"));
    // A UTF-8 sequence cut at the end is no UTF-8 either.
    EXPECT_EQ(FromStore("ab\xc3"), QStringLiteral("ab\u00c3"));
}

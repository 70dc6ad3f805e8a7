// How the viewer turns a file's bytes into text: the code page, cuts at the size limit, and long
// lines broken.
#include "windows/ViewerText.h"

#include "ScriptedDialogs.h" // prints QStrings in failures

#include <gtest/gtest.h>

using namespace viewer_text;

TEST(ViewerText, BytesAreUtf8WhenValidAndCodePage437Otherwise) {
    const std::pair<std::string_view, QString> rows[] = {
        {"plain text\r\n", "plain text\r\n"},
        {"caf\xC3\xA9 \xE2\x82\xAC", "café €"},
        {"caf\xE9", "cafΘ"},             // Latin-1 é is not UTF-8
        {"\xC9\xCD\xBB box", "╔═╗ box"}, // DOS box drawing
        {"caf\xC3\xA9 \x82", "caf├⌐ é"}, // one bad byte: all of it is 437
        {std::string_view("a\0b", 3), QString::fromUtf16(u"a\0b", 3)}, // binary zeros are kept
        {"\xED\xA0\x80", "φáÇ"}, // an encoded surrogate is not UTF-8
    };
    for (const auto& [bytes, text] : rows)
        EXPECT_EQ(DecodeText(bytes), text) << bytes;
}

TEST(ViewerText, ACutAtTheLimitDropsOnlyAnUnfinishedSequence) {
    const std::pair<std::string_view, std::string_view> rows[] = {
        {"", ""},
        {"abc", "abc"},
        {"ab\xC3", "ab"},
        {"ab\xC3\xA9", "ab\xC3\xA9"},
        {"a\xE2\x82", "a"},
        {"a\xE2\x82\xAC", "a\xE2\x82\xAC"},
        {"a\xF0\x9F\x98", "a"},
        {"a\xF0\x9F\x98\x80", "a\xF0\x9F\x98\x80"},
        {"a\xE9", "a"},     // dropped even if the text is not UTF-8: it is cut there anyway
        {"a\x82", "a\x82"}, // a lone continuation byte ends no sequence
    };
    for (const auto& [bytes, kept] : rows)
        EXPECT_EQ(WithoutCutSequence(bytes), kept) << bytes;
}

TEST(ViewerText, LinesLongerThanTheLimitGoOnInTheNextLine) {
    const QString limit(kLongestLine, u'x');
    const QString smiley = "😀"; // two UTF-16 units
    const std::pair<QString, QString> rows[] = {
        {limit, limit},
        {limit + "\r\n" + limit + "\n" + limit, limit + "\r\n" + limit + "\n" + limit},
        {limit + "yz", limit + "\nyz"},
        {limit + limit + "y", limit + "\n" + limit + "\ny"},
        {"ab\n" + limit + "y\ncd", "ab\n" + limit + "\ny\ncd"},
        // The break never falls between the halves of a character.
        {limit.left(kLongestLine - 1) + smiley + "y",
         limit.left(kLongestLine - 1) + smiley + "\ny"},
    };
    for (const auto& [text, shown] : rows)
        EXPECT_EQ(DecodeText(text.toStdString()), shown);
}

#include "device/ReplyText.h"

#include <gtest/gtest.h>

#include <string>

using namespace lumivex;

TEST(ReplyTextTest, chunksAreJoinedAndRawBytesCounted)
{
    ReplyText reply;
    auto added = reply.append("3O");
    EXPECT_EQ(added.characters, 2u);
    EXPECT_FALSE(added.lineEnd);
    added = reply.append("K\r");
    EXPECT_EQ(added.characters, 3u);
    EXPECT_TRUE(added.lineEnd);
    EXPECT_EQ(reply.text(), "3OK\r\n");
    EXPECT_EQ(reply.rawByteCount(), 4u) << "the count is of bytes received, not of the text";

    reply.reset();
    EXPECT_EQ(reply.text(), "");
    EXPECT_EQ(reply.rawByteCount(), 0u);
}

TEST(ReplyTextTest, eachLineBreakByteBecomesCrLf)
{
    for (JoinRules rules : {JoinRules::MainWindow, JoinRules::ListAndStability}) {
        EXPECT_EQ(ReplyText::join("A\rB", rules), "A\r\nB");
        EXPECT_EQ(ReplyText::join("A\nB", rules), "A\r\nB");
        EXPECT_EQ(ReplyText::join("A\r\nB", rules), "A\r\n\r\nB") << "CR and LF are two breaks";
    }
}

TEST(ReplyTextTest, onlyPrintablesAndTheSevenLettersAreKept)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != '\r' && byte != '\n')
            all += static_cast<char>(byte);
    }
    std::string printable;
    for (char c = ' '; c <= '~'; ++c)
        printable += c;

    EXPECT_EQ(ReplyText::join(all, JoinRules::MainWindow), printable + "\xC4\xD6\xDC\xDF\xE4\xF6\xFC");
    EXPECT_EQ(ReplyText::join(all, JoinRules::ListAndStability), printable);

    ReplyText reply(JoinRules::ListAndStability);
    const auto added = reply.append(std::string("\0\x7F\xFF\xE4", 4));
    EXPECT_EQ(added.characters, 0u);
    EXPECT_EQ(reply.text(), "");
    EXPECT_EQ(reply.rawByteCount(), 4u) << "noise still counts towards completion";
}

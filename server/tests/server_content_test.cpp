// The server's own files: settings, news, broadcasts and the operator's answers.
#include <gtest/gtest.h>

#include "kavrel/cp949.h"
#include "server_content.h"

namespace kavreld {
namespace {

TEST(ServerConfig, ReadsValuesAndNamesTheFaultyLine) {
  std::string error;
  auto c = ParseServerConfig("# settings\ntext_a = 가람\n\ntext_b=B\nlimits = 1 2 3 4 5 6 7\n",
                             error);
  ASSERT_TRUE(c) << error;
  EXPECT_EQ(c->textA, kavrel::Utf8ToCp949Lossy("가람"));
  EXPECT_EQ(c->textB, "B");
  EXPECT_EQ(c->limits[6], 7u);

  struct Bad {
    const char* text;
    const char* line;
  } bad[] = {
      {"text_b = B\ntext_a = " "가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가\n",
       "line 2"},  // 40 syllables: 80 bytes, no room for the NUL
      {"text_a = x\nrelay_address = 1.2.3.4\n", "line 2"},  // named by the command line now
      {"text_b = B\nlimits = 1 2 3\n", "line 2"},
      {"text_b = B\nlimits = 1 2 3 4 5 6 7 8\n", "line 2"},
      {"text_b = B\nlimits = 0 5 10 5 10 5 10\n", "line 2"},
      {"text_b = B\nlimits = 5 5 11 5 10 5 10\n", "line 2"},
      {"text_b = B\nlimits = 5 5 -1 5 10 5 10\n", "line 2"},
      {"text_b = B\ncolour = red\n", "line 2"},
      {"just words\n", "line 1"},
  };
  for (const Bad& b : bad) {
    error.clear();
    EXPECT_FALSE(ParseServerConfig(b.text, error)) << b.text;
    EXPECT_NE(error.find(b.line), std::string::npos) << b.text << " -> " << error;
  }
}

TEST(NewsReply, LinesEndWithCarriageReturnAndTwoSeparators) {
  std::size_t dropped = 0;
  std::string reply = BuildNewsReply("첫째 소식\r\n\n  \n둘째\n", dropped);
  EXPECT_EQ(reply, kavrel::Utf8ToCp949Lossy("첫째 소식") + "\r\n\n" + kavrel::Utf8ToCp949Lossy("둘째") + "\r\n\n");
  EXPECT_EQ(dropped, 0u);
  EXPECT_EQ(BuildNewsReply("a\rb\n", dropped), "a b\r\n\n");  // a CR inside would split the line
}

TEST(NewsReply, KeepsToFortyLinesAndTwoKilobytes) {
  std::size_t dropped = 0;
  std::string many;
  for (int i = 0; i < 50; ++i) many += "x\n";
  std::string reply = BuildNewsReply(many, dropped);
  EXPECT_EQ(reply.size(), 40u * 4);
  EXPECT_EQ(dropped, 10u);

  // A long line is cut to 1023 bytes at a character boundary: 511 syllables.
  std::string longLine;
  for (int i = 0; i < 600; ++i) longLine += "가";
  reply = BuildNewsReply(longLine, dropped);
  EXPECT_EQ(reply.size(), 1022u + 3);

  // A second long line would pass 2048 bytes and is left out whole; a short one after
  // it still fits.
  reply = BuildNewsReply(longLine + "\n" + longLine + "\nshort\n", dropped);
  EXPECT_EQ(reply.size(), 1025u + 8);
  EXPECT_EQ(reply.substr(1025), "short\r\n\n");
  EXPECT_EQ(dropped, 1u);
  EXPECT_TRUE(BuildNewsReply("", dropped).empty());
}

TEST(Broadcasts, NewestValidTimeOrHash) {
  EXPECT_EQ(NewestBroadcast("2026-12-07 07:30 아침\n2026-12-07 18:00 저녁\n2026-11-30 23:59 지난\n"),
            "2026-12-07 18:00");
  EXPECT_EQ(NewestBroadcast("# none\n2026-13-01 10:00 bad month\n2026-12-07 24:00 bad hour\n2026/12/07 10:00\n"),
            "#");
  EXPECT_EQ(NewestBroadcast(""), "#");
  EXPECT_EQ(NewestBroadcast("2026-12-07 09:05"), "2026-12-07 09:05");
}

TEST(OperatorAnswers, FirstKeywordContainedAnswers) {
  const char* answers = "# comment\n통제\t통제 답\n사고\t사고 답\nbroken line\n*\t기본 답\n";
  EXPECT_EQ(AnswerFor(answers, "강변북로 통제?"), kavrel::Utf8ToCp949Lossy("통제 답"));
  EXPECT_EQ(AnswerFor(answers, "사고 났나요"), kavrel::Utf8ToCp949Lossy("사고 답"));
  EXPECT_EQ(AnswerFor(answers, "날씨"), kavrel::Utf8ToCp949Lossy("기본 답"));
  EXPECT_FALSE(AnswerFor("통제\t통제 답\n", "날씨"));
  EXPECT_FALSE(AnswerFor("", "무엇이든"));
}

}  // namespace
}  // namespace kavreld

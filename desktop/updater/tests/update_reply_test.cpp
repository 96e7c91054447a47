// The reply grammar and the decision, as a table of reply texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update_reply.h"

namespace updater {
namespace {

using D = UpdateDecision;

struct ReplyCase {
  const char* name;
  std::string body;  // the reply body as it arrives, line feeds included
  D decision;
  bool noServer;
  UpdateFields expected;
};

UpdateFields Server(std::string host) {
  UpdateFields f;
  f.serverHost = std::move(host);
  return f;
}

std::vector<ReplyCase> Cases() {
  std::vector<ReplyCase> cases;
  cases.push_back({"Empty", "", D::Abort, false, {}});
  cases.push_back({"OnlyBlankLines", "\n\n\n", D::Abort, false, {}});
  cases.push_back({"NoUpdateWhateverFollows", "No update is available<br>[server];h<br>[new_ver];9<br>", D::NoUpdate,
                   false, {}});
  cases.push_back({"MajorWinsOverNoUpdate", "No update is available, Major update<br>[server];h<br>", D::Major, false, {}});
  cases.push_back({"MajorJoinedFromTwoLines", "Major \nupdate<br>\n", D::Major, false, {}});
  cases.push_back({"PhraseOutsideHeadlineIgnored", "Update<br>No update is available<br>[server];h<br>", D::Offer,
                   false, Server("h")});
  cases.push_back({"UnconditionalWithServer", "Unconditional update<br>[server];updatehost<br>", D::Unconditional,
                   false, Server("updatehost")});
  cases.push_back({"UnconditionalWithoutServer", "Unconditional update<br>", D::Abort, true, {}});
  cases.push_back({"EmptyServerHost", "Update<br>[server];<br>", D::Abort, true, {}});
  cases.push_back({"TextWithoutRecord", "Update [server];h", D::Abort, true, {}});
  cases.push_back({"LastPieceWithoutBrIsNoRecord", "Update<br>[server];h", D::Abort, true, {}});
  cases.push_back({"ServerMayCarryPort", "Update<br>[server];127.0.0.5:8080<br>", D::Offer, false,
                   Server("127.0.0.5:8080")});
  cases.push_back({"TextBeforeMarker", "Update<br>xx [server];updatehost<br>", D::Offer, false, Server("updatehost")});
  {
    UpdateFields f = Server("updatehost");
    f.patchPath1 = "/a/x.ini";
    f.patchSize1 = 200;
    f.patchPath2 = "/a/x.cab";
    f.patchSize2 = 5000;
    cases.push_back({"OrdinaryOffer", "Update<br>[server];updatehost<br>[patch_file];/a/x.ini;200;/a/x.cab;5000<br>",
                     D::Offer, false, f});
  }
  {
    UpdateFields f = Server("h");
    f.patchPath1 = f.patchPath2 = "/a/x.cab";
    f.patchSize1 = f.patchSize2 = 1000;
    cases.push_back({"OnePatchFileFillsBoth", "Update<br>[server];h<br>[patch_file];/a/x.cab;1000;;<br>", D::Offer, false, f});
  }
  {
    UpdateFields f = Server("h");
    f.deleteList = {"a.dll", "b.dll", "x"};
    cases.push_back({"DeleteListsAppend",
                     "Update<br>[server];h<br>[del_list];2;a.dll;b.dll;c.dll<br>[del_list];0<br>[del_list];-3;q<br>"
                     "[del_list];1;x<br>",
                     D::Offer, false, f});
  }
  {
    UpdateFields f = Server("h");
    f.deleteList = {"a", "b"};
    cases.push_back({"DeleteCountBeyondRecordTakesWhatIsThere", "Update<br>[server];h<br>[del_list];2000000000;a;b<br>",
                     D::Offer, false, f});
  }
  {
    UpdateFields f = Server("h");
    f.preInfo = "Line one;Line two";
    f.endInfo = "[end_info]";
    cases.push_back({"PreInfoAfterFirstSemicolon", "Update<br>[server];h<br>[pre_info];  Line one;Line two<br>[end_info]<br>",
                     D::Offer, false, f});
  }
  {
    // One record with several markers: each is handled; later records overwrite.
    UpdateFields f = Server("second");
    f.userId = "second";
    f.password = "";
    f.newVersion = "second";
    f.skinName = "second";
    f.skinSize = 0;
    cases.push_back({"SeveralMarkersOneRecordLaterOverwrites",
                     "Update<br>[server][id/pass][new_ver][skin_name];first;pw;12<br>[server][id/pass][new_ver][skin_name];second<br>",
                     D::Offer, false, f});
  }
  {
    // Carriage returns stay in the joined text; one after a "<br>" is trimmed away,
    // one before it stays in its record; blank lines are dropped.
    UpdateFields f = Server("h\r");
    f.newVersion = "1.1";
    cases.push_back({"CarriageReturns", "Update<br>\r\n\n[server];h\r<br>\r\n   [new_ver];1.1<br>  \r\n", D::Offer, false, f});
  }
  {
    UpdateFields f = Server("h");
    f.patchPath1 = "/p";
    f.patchSize1 = 2147483647;
    f.patchPath2 = "/q";
    f.patchSize2 = -2147483647 - 1;
    f.skinSize = -12;
    cases.push_back({"NumbersSaturateAndStopAtNonDigits",
                     "Update<br>[server];h<br>[patch_file];/p;99999999999;/q;-99999999999<br>[skin_name];;; -12abc<br>",
                     D::Offer, false, f});
  }
  return cases;
}

void ExpectFields(const UpdateFields& want, const UpdateFields& got) {
  EXPECT_EQ(want.serverHost, got.serverHost);
  EXPECT_EQ(want.userId, got.userId);
  EXPECT_EQ(want.password, got.password);
  EXPECT_EQ(want.patchPath1, got.patchPath1);
  EXPECT_EQ(want.patchSize1, got.patchSize1);
  EXPECT_EQ(want.patchPath2, got.patchPath2);
  EXPECT_EQ(want.patchSize2, got.patchSize2);
  EXPECT_EQ(want.skinName, got.skinName);
  EXPECT_EQ(want.skinPath, got.skinPath);
  EXPECT_EQ(want.skinSize, got.skinSize);
  EXPECT_EQ(want.deleteList, got.deleteList);
  EXPECT_EQ(want.newVersion, got.newVersion);
  EXPECT_EQ(want.preInfo, got.preInfo);
  EXPECT_EQ(want.endInfo, got.endInfo);
}

TEST(UpdateReplyTest, RepliesDecideAndFill) {
  for (const ReplyCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    ParsedReply reply = ParseReply(JoinReplyLines(c.body));
    EXPECT_EQ(c.decision, reply.decision);
    EXPECT_EQ(c.noServer, reply.noServer);
    ExpectFields(c.expected, reply.fields);
  }
}

TEST(UpdateReplyTest, RecordsKeepTheirTrailingSpaceAndOnlyTheFirstItsLeadingSpace) {
  EXPECT_EQ((std::vector<std::string>{"  head ", "b\r", "c"}), SplitRecords("  head <br>  <br>\r\n b\r<br>c<br>tail"));
  EXPECT_EQ(std::vector<std::string>{}, SplitRecords("no record"));
}

TEST(UpdateReplyTest, JoiningDropsOnlyLineFeedsAndEmptyLines) {
  EXPECT_EQ("ab\rcd", JoinReplyLines("a\n\nb\r\n\ncd"));
  EXPECT_EQ("\r", JoinReplyLines("\r\n"));
}

TEST(UpdateReplyTest, FieldsAndOfferText) {
  EXPECT_EQ("", Field("[x]", 1));
  EXPECT_EQ("b", Field("a;b;c", 1));
  EXPECT_EQ("", Field("a;;c", 1));
  EXPECT_EQ("c", Field("a;;c", 2));
  EXPECT_EQ("Line one\r\n\r\nLine two\r\n\r\n", OfferText("Line one;Line two;"));
}

}  // namespace
}  // namespace updater

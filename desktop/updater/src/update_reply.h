// The update server's reply to the information request: how the text is joined from
// its lines, cut into records at "<br>", read into the update fields, and the decision
// drawn from it. A function of the text alone, so that it is tested and fuzzed
// without a network.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace updater {

enum class UpdateDecision { NoUpdate = 0, Offer = 1, Major = 2, Abort = 3, Unconditional = 4 };

// What the records of a reply fill.
struct UpdateFields {
  std::string serverHost;
  std::string userId, password;
  std::string patchPath1, patchPath2;
  std::int32_t patchSize1 = 0, patchSize2 = 0;
  std::string skinName, skinPath;
  std::int32_t skinSize = 0;
  std::vector<std::string> deleteList;
  std::string newVersion;
  std::string preInfo;
  std::string endInfo;
};

struct ParsedReply {
  UpdateDecision decision = UpdateDecision::Abort;
  // Abort because no record named a server: the caller sends error report 111 and
  // shows its message. (An empty reply aborts silently.)
  bool noServer = false;
  UpdateFields fields;
};

// Adds one line of the reply body to the joined text: the line's final line feed is
// dropped (a carriage return before it stays) and a line that is then empty adds nothing.
void AppendReplyLine(std::string& joined, std::string_view line);
// The whole body joined line by line with AppendReplyLine.
std::string JoinReplyLines(std::string_view body);

// The records of the joined text: each piece before a "<br>" that is not empty; the
// text after each "<br>" is trimmed of white space before the next cut, and the text
// after the last "<br>" is no record.
std::vector<std::string> SplitRecords(std::string_view text);

// Field `index` of a record (the pieces between ";"), empty when the record has none.
std::string_view Field(std::string_view record, std::size_t index);

// Leading decimal number: white space skipped, optional sign, 0 without digits;
// saturates at the limits of a signed 32-bit value.
std::int32_t ReadNumber(std::string_view text);

// Reads the joined reply text and decides.
ParsedReply ParseReply(std::string_view infoText);

// The offer text handed to the caller: every ";" of `preInfo` becomes a paragraph break.
std::string OfferText(std::string_view preInfo);

}  // namespace updater

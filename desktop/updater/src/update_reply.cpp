#include "update_reply.h"

#include <algorithm>
#include <limits>

namespace updater {
namespace {

constexpr std::string_view kRecordEnd = "<br>";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view TrimStart(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimStart(s);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool Contains(std::string_view text, std::string_view phrase) { return text.find(phrase) != std::string_view::npos; }

// "[pre_info]" and "[end_info]": the record after its first ";", start trimmed; a
// record without ";" is taken whole.
std::string AfterFirstField(std::string_view record) {
  std::size_t semicolon = record.find(';');
  if (semicolon == std::string_view::npos) return std::string(record);
  return std::string(TrimStart(record.substr(semicolon + 1)));
}

std::size_t FieldCount(std::string_view record) {
  return static_cast<std::size_t>(std::count(record.begin(), record.end(), ';')) + 1;
}

// One record into the fields, its markers in a fixed order.
void ReadRecord(std::string_view record, UpdateFields& f) {
  if (Contains(record, "[server]")) f.serverHost = Field(record, 1);
  if (Contains(record, "[id/pass]")) {
    f.userId = Field(record, 1);
    f.password = Field(record, 2);
  }
  if (Contains(record, "[patch_file]")) {
    f.patchPath1 = Field(record, 1);
    f.patchSize1 = ReadNumber(Field(record, 2));
    if (Field(record, 3).empty()) {
      f.patchPath2 = f.patchPath1;
      f.patchSize2 = f.patchSize1;
    } else {
      f.patchPath2 = Field(record, 3);
      f.patchSize2 = ReadNumber(Field(record, 4));
    }
  }
  if (Contains(record, "[skin_name]")) {
    f.skinName = Field(record, 1);
    f.skinPath = Field(record, 2);
    f.skinSize = ReadNumber(Field(record, 3));
  }
  if (Contains(record, "[del_list]")) {
    // The count names fields 2 .. n+1; only fields the record really has are taken,
    // so that a large count cannot grow the list without bound.
    std::int32_t n = ReadNumber(Field(record, 1));
    std::size_t available = FieldCount(record) - std::min<std::size_t>(FieldCount(record), 2);
    std::size_t take = n < 1 ? 0 : std::min(static_cast<std::size_t>(n), available);
    for (std::size_t i = 0; i < take; ++i) f.deleteList.emplace_back(Field(record, 2 + i));
  }
  if (Contains(record, "[new_ver]")) f.newVersion = Field(record, 1);
  if (Contains(record, "[pre_info]")) f.preInfo = AfterFirstField(record);
  if (Contains(record, "[end_info]")) f.endInfo = AfterFirstField(record);
}

}  // namespace

void AppendReplyLine(std::string& joined, std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  joined.append(line);
}

std::string JoinReplyLines(std::string_view body) {
  std::string joined;
  while (!body.empty()) {
    std::size_t end = body.find('\n');
    std::size_t length = end == std::string_view::npos ? body.size() : end + 1;
    AppendReplyLine(joined, body.substr(0, length));
    body.remove_prefix(length);
  }
  return joined;
}

std::vector<std::string> SplitRecords(std::string_view text) {
  std::vector<std::string> records;
  for (;;) {
    std::size_t cut = text.find(kRecordEnd);
    if (cut == std::string_view::npos) break;
    if (cut > 0) records.emplace_back(text.substr(0, cut));
    text = Trim(text.substr(cut + kRecordEnd.size()));
  }
  return records;
}

std::string_view Field(std::string_view record, std::size_t index) {
  for (std::size_t i = 0; i < index; ++i) {
    std::size_t semicolon = record.find(';');
    if (semicolon == std::string_view::npos) return {};
    record.remove_prefix(semicolon + 1);
  }
  return record.substr(0, record.find(';'));
}

std::int32_t ReadNumber(std::string_view text) {
  text = TrimStart(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = std::min(value * 10 + (c - '0'), kLimit);
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min<std::int64_t>(value, kLimit - 1));
}

ParsedReply ParseReply(std::string_view infoText) {
  ParsedReply reply;
  if (infoText.empty()) return reply;  // Abort, nothing reported
  std::vector<std::string> records = SplitRecords(infoText);
  std::string_view headline = records.empty() ? std::string_view() : std::string_view(records.front());
  if (Contains(headline, "Major update")) {
    reply.decision = UpdateDecision::Major;
    return reply;
  }
  if (Contains(headline, "No update is available")) {
    reply.decision = UpdateDecision::NoUpdate;
    return reply;
  }
  for (const std::string& record : records) ReadRecord(record, reply.fields);
  if (reply.fields.serverHost.empty()) {
    reply.decision = UpdateDecision::Abort;
    reply.noServer = true;
  } else {
    reply.decision = Contains(headline, "Unconditional update") ? UpdateDecision::Unconditional : UpdateDecision::Offer;
  }
  return reply;
}

std::string OfferText(std::string_view preInfo) {
  std::string text;
  for (char c : preInfo) {
    if (c == ';')
      text += "\r\n\r\n";
    else
      text += c;
  }
  return text;
}

}  // namespace updater

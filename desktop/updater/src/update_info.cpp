#include "update_info.h"

#include "http_request.h"
#include "updater_texts.h"

namespace updater {

std::string UpdateInfo::InfoAddress(std::string_view base, std::string_view version) {
  return std::string(base) + "?getinfo=2&ver=" + std::string(version);
}

std::string UpdateInfo::StatusAddress(std::string_view base, std::string_view code, std::string_view version) {
  return std::string(base) + "?getinfo=" + std::string(code) + "&ver=" + std::string(version);
}

std::string UpdateInfo::ErrorAddress(std::string_view base, int number, std::string_view version) {
  return std::string(base) + "?getinfo=" + std::to_string(number) + "&ver=" + std::string(version);
}

void UpdateInfo::FetchInfo() { GetReplyText(InfoAddress(baseAddress, currentVersion), infoText); }

UpdateDecision UpdateInfo::ParseInfo() {
  ParsedReply reply = ParseReply(infoText);
  static_cast<UpdateFields&>(*this) = std::move(reply.fields);
  if (reply.noServer) {
    SendErrorReport(texts::kReportNoServerInfo);
    if (showMessage) showMessage(texts::kNoServerInfo);
  }
  return reply.decision;
}

void UpdateInfo::SendStatus(std::string_view code) {
  int error = GetReplyText(StatusAddress(baseAddress, code, currentVersion), infoText);
  if (error != 0 && onStatusFailed) onStatusFailed(error);
}

bool UpdateInfo::SendErrorReport(int number) const {
  return OpenAndClose(ErrorAddress(baseAddress, number, currentVersion)) == 0;
}

}  // namespace updater

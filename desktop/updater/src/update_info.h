// The conversation with the update server: the information request, the decision drawn
// from the reply, and the status and error reports.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "update_reply.h"

namespace updater {

class UpdateInfo : public UpdateFields {
 public:
  std::string baseAddress;     // the server script, used as given
  std::string currentVersion;  // sent as ver=
  std::string infoText;        // the joined reply (status replies are appended after parsing)
  long callerWindow = 0;
  unsigned noticeMessage = 0;

  // A status report failed with the library's error number (the caller is told).
  std::function<void(int error)> onStatusFailed;
  // Shows a message box with an OK button.
  std::function<void(const std::string& text)> showMessage;

  static std::string InfoAddress(std::string_view base, std::string_view version);
  static std::string StatusAddress(std::string_view base, std::string_view code, std::string_view version);
  static std::string ErrorAddress(std::string_view base, int number, std::string_view version);

  // Sends the information request; a failed request leaves infoText as it was.
  void FetchInfo();
  // Reads infoText into the fields and decides; a reply that names no server sends
  // error report 111 and shows its message.
  UpdateDecision ParseInfo();
  // Sends status report `code` ("1", "4", "5" or "6") and reads its reply to the end.
  void SendStatus(std::string_view code);
  // Sends error report `number`; false when the request failed. Safe from a worker
  // thread while nothing changes baseAddress or currentVersion.
  bool SendErrorReport(int number) const;
};

}  // namespace updater

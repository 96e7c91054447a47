#include "ZMNTP.h"

#include "process_state.h"

namespace zmntp {

ProcessState& State() {
  static ProcessState state;
  return state;
}

}  // namespace zmntp

CZMNTP::CZMNTP() = default;

CZMNTP& CZMNTP::operator=(const CZMNTP& other) {
  pending_ = other.pending_;
  return *this;
}

void CZMNTP::SetPending(Buffer bytes) { pending_ = std::make_shared<Buffer>(std::move(bytes)); }

int CZMNTP::ZMNTP_Init() { return 0; }

int CZMNTP::ZMNTP_Destroy() { return 0; }

int CZMNTP::SendCmd(char* /*serverAddress*/, unsigned long /*port*/, unsigned long code, unsigned long* count,
                    void* data) {
  if (CmdPreProcess(code, count, data) == 0) return 0;
  *count = 0;
  return RESULT_NOT_HANDLED;
}

int CZMNTP::GetData(unsigned long /*code*/, void* /*reserved*/, unsigned long /*count*/, void* /*out*/) { return 0; }

// First dispatch stage: commands answered without the server.
#include "ZMNTP.h"

int CZMNTP::CmdPreProcess(unsigned long /*code*/, unsigned long* /*count*/, void* /*data*/) {
  return RESULT_NOT_HANDLED;
}

// The bulk exchange and its cache are not built yet: nothing is loaded, so nothing
// is answered from the cache and every cached code goes to the server.
#include "one_step_cache.h"

#include "ZMNTP.h"

namespace zmntp {

void ClearOneStepCache() {}
void FreeOneStepItems() {}
void LoadOneStepCache(const char*, unsigned long, unsigned long, const void*) {}
void RefreshOneStepCache(const char*, unsigned long) {}

}  // namespace zmntp

int CZMNTP::ProcessOneStepCmd(unsigned long, unsigned long*, void*) { return RESULT_NOT_HANDLED; }

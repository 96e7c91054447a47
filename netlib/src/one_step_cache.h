// The one-step cache: items loaded by one bulk exchange, answered without the server.
#pragma once

namespace zmntp {

// Zeroes the cache record (start of the library).
void ClearOneStepCache();
// Releases every item buffer the cache holds.
void FreeOneStepItems();
// Codes 241 and 242: the bulk exchange that fills the cache.
void LoadOneStepCache(const char* serverAddress, unsigned long port, unsigned long code, const void* data);
// Fetches again the cache groups whose refresh interval has passed.
void RefreshOneStepCache(const char* serverAddress, unsigned long port);

}  // namespace zmntp

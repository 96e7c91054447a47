// The one-step cache: items loaded by one bulk exchange, answered without the server
// and refreshed group by group when their intervals pass.
#pragma once

#include <cstdint>

#include "protocol/one_step_record.h"

namespace zmntp {

using protocol::Block;
using protocol::OneStepRecord;

// Refresh groups: what each re-fetches.
enum RefreshGroup : std::size_t { kGroupNews = 0, kGroupRoads = 1, kGroupRoutes = 2, kGroupCameras = 3 };

// The process-wide cache.
OneStepRecord& OneStepCache();

// Zeroes the cache record (start of the library).
void ClearOneStepCache();
// Releases every data block of `record` (of the cache when none is given).
void FreeOneStepItems(OneStepRecord& record);
void FreeOneStepItems();

// One bulk exchange for `request`: on 0 the record comes back with its data blocks
// filled; 1, 2 or 3 as for every request, the record unchanged.
int SendOneStepCmd(const char* serverAddress, unsigned long port, OneStepRecord& request);

// Codes 241 and 242: the bulk exchange for the caller's 732-byte selection, whose item
// list is replaced by the news, the three texts and the limits. The cache is replaced
// only when the exchange succeeded. Returns the exchange's result.
int LoadOneStepCache(const char* serverAddress, unsigned long port, unsigned long code, const void* selection);

// Fetches again the groups whose interval has passed since their last refresh.
void RefreshOneStepCache(const char* serverAddress, unsigned long port);

// The cached block that answers `code` for the caller's `data`, or nullptr.
const Block* FindCachedItem(unsigned long code, const void* data, const OneStepRecord& cache);

}  // namespace zmntp

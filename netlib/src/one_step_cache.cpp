#include "one_step_cache.h"

#include <cstring>

#include "HTC_AC3.h"
#include "ZMNTP.h"
#include "connection.h"
#include "kavrel/clock.h"
#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "process_state.h"
#include "protocol/road_file.h"
#include "still_picture.h"

namespace zmntp {

using namespace protocol;

namespace {

// A compressed bulk reply larger than this is refused: it would expand to ten times it.
constexpr std::uint32_t kMaxCompressedLength = 4u * 1024 * 1024;

// Expands L compressed bytes into a buffer of ten times L; false when the stream is
// damaged or would not fit.
bool Expand(const Block& compressed, Block& expanded) {
  Block buffer(compressed.size() * 10, 0);
  HTC_AC3_CONTEXT ctx = HTC_AC3_CreateContext(buffer.data());
  long n = HTC_AC3_DoDecoding(ctx, compressed.data(), compressed.size(), buffer.data(), buffer.size());
  HTC_AC3_DisposeContext(ctx);
  if (n < 0) return false;
  buffer.resize(static_cast<std::size_t>(n));
  expanded = std::move(buffer);
  return true;
}

std::string_view CallerText(const void* data, std::size_t limit) {
  if (data == nullptr) return {};
  const char* p = static_cast<const char*>(data);
  return std::string_view(p, ::strnlen(p, limit));
}

// The count of the entries a group refreshes.
std::uint32_t GroupCount(const OneStepRecord& r, std::size_t g) {
  switch (g) {
    case kGroupNews: return r.itemCount;
    case kGroupRoads: return r.roadCount;
    case kGroupRoutes: return r.routeCount;
    default: return r.cameraCount;
  }
}

// A request for one group only.
OneStepRecord GroupRequest(const OneStepRecord& cache, std::size_t g) {
  OneStepRecord q;
  switch (g) {
    case kGroupNews:
      q.itemCount = 1;
      q.itemTypes[0] = kItemNews;
      break;
    case kGroupRoads:
      q.roadCount = cache.roadCount;
      for (std::size_t j = 0; j < cache.roadCount; ++j)
        kavrel::WriteCp949Field(q.roadNames[j].data(), kOneStepRoadNameSize, cache.RoadName(j));
      break;
    case kGroupRoutes:
      q.routeCount = cache.routeCount;
      q.routeQueries = cache.routeQueries;
      break;
    default:
      q.cameraCount = cache.cameraCount;
      q.cameraIds = cache.cameraIds;
      break;
  }
  return q;
}

// Puts a group's new data in place of the old, releasing the old.
void TakeGroupData(OneStepRecord& cache, OneStepRecord& fresh, std::size_t g) {
  switch (g) {
    case kGroupNews:
      for (std::size_t i = 0; i < cache.itemCount; ++i)
        if (cache.itemTypes[i] == kItemNews) cache.itemData[i] = fresh.itemData[0];
      break;
    case kGroupRoads:
      for (std::size_t j = 0; j < cache.roadCount; ++j) cache.speedData[j] = std::move(fresh.speedData[j]);
      break;
    case kGroupRoutes:
      for (std::size_t j = 0; j < cache.routeCount; ++j) cache.routeData[j] = std::move(fresh.routeData[j]);
      break;
    default:
      for (std::size_t j = 0; j < cache.cameraCount; ++j) cache.stillData[j] = std::move(fresh.stillData[j]);
      break;
  }
}

const Block* ItemOfType(const OneStepRecord& cache, std::uint32_t type) {
  for (std::size_t i = 0; i < cache.itemCount; ++i)
    if (cache.itemTypes[i] == type) return &cache.itemData[i];
  return nullptr;
}

}  // namespace

OneStepRecord& OneStepCache() { return State().oneStepCache; }

void ClearOneStepCache() { OneStepCache() = OneStepRecord{}; }

void FreeOneStepItems(OneStepRecord& record) { record.FreeData(); }
void FreeOneStepItems() { FreeOneStepItems(OneStepCache()); }

int SendOneStepCmd(const char* serverAddress, unsigned long port, OneStepRecord& request) {
  OneStepRecord work = request;
  work.FreeData();

  Socket s;
  int opened = OpenRequest(serverAddress, port, static_cast<std::uint32_t>(CMD_ONE_STEP), nullptr, s);
  if (opened != 0) return opened;

  const auto wire = work.ToWireRequest();
  long sent = SendBlock(s, wire.data(), wire.size());
  if (sent != static_cast<long>(wire.size())) {
    WriteLog(Format("ZMNT:CMD send:=%ld", sent));
    return 2;
  }

  std::uint8_t word[4];
  if (RecvWithTimeout(s, word, sizeof word, Timeouts().bulkSizeIdleMs) != 4) {
    WriteLog("SendOneStepCmd:recv(size) fail");
    return 3;
  }
  const std::uint32_t length = kavrel::ReadU32(word, 0);
  if (length == 0) {
    SendBlock(s, word, sizeof word);
    return 3;
  }
  if (length > kMaxCompressedLength) {
    WriteLog(Format("SendOneStepCmd:size(%u) too large", length));
    return 3;
  }
  Block compressed(length, 0);
  if (RecvWithTimeout(s, compressed.data(), length, Timeouts().bulkDataIdleMs) != static_cast<long>(length)) {
    WriteLog(Format("SendOneStepCmd:recv(data(%u)byte) fail", length));
    return 3;
  }
  Block expanded;
  bool expandedOk = Expand(compressed, expanded);
  Block().swap(compressed);
  SendBlock(s, word, sizeof word);  // the length echoed back; its result does not matter
  s.Close();
  if (!expandedOk) {
    WriteLog(Format("SendOneStepCmd:expand(%u byte) fail", length));
    return 3;
  }
  if (!WalkOneStepReply(expanded, work, kavrel::GetTickCount())) {
    WriteLog(Format("SendOneStepCmd:walk(%zu byte) fail", expanded.size()));
    return 3;
  }
  request = std::move(work);
  return 0;
}

int LoadOneStepCache(const char* serverAddress, unsigned long port, unsigned long code, const void* selection) {
  if (selection == nullptr) return 2;
  OneStepRecord request =
      OneStepRecord::FromWire(std::span(static_cast<const std::uint8_t*>(selection), kOneStepRecordSize));
  request.itemCount = 5;
  request.itemTypes = {kItemNews, kItemTextA, kItemTextB, kItemTextC, kItemLimits, 0, 0, 0, 0, 0};
  int result = SendOneStepCmd(serverAddress, port, request);
  if (result != 0) return result;
  // A reload and a repeated load alike release what the cache held before.
  (void)code;
  FreeOneStepItems();
  OneStepCache() = std::move(request);
  return 0;
}

void RefreshOneStepCache(const char* serverAddress, unsigned long port) {
  OneStepRecord& cache = OneStepCache();
  for (std::size_t g = 0; g < 4; ++g) {
    const std::uint32_t now = kavrel::GetTickCount();
    if (now < cache.ticks[g] + cache.intervals[g]) continue;
    cache.ticks[g] = now;  // before the exchange: a failed refresh waits a full interval too
    if (GroupCount(cache, g) == 0) continue;
    OneStepRecord fresh = GroupRequest(cache, g);
    if (SendOneStepCmd(serverAddress, port, fresh) == 0) TakeGroupData(cache, fresh, g);
  }
}

const Block* FindCachedItem(unsigned long code, const void* data, const OneStepRecord& cache) {
  switch (code) {
    case CMD_TICKER_TEXT:
      return ItemOfType(cache, kItemNews);
    case CMD_TEXT_ITEM_A:
    case CMD_TEXT_ITEM_B:
    case CMD_TEXT_ITEM_C:
    case CMD_REFRESH_INTERVALS:
      return ItemOfType(cache, static_cast<std::uint32_t>(code));
    case CMD_ROAD_SPEED: {
      // The request text as the server would get it: formatted into 128 bytes.
      std::string_view name = kavrel::CutCp949(CallerText(data, kTextBodySize), kTextCharsMax);
      for (std::size_t j = 0; j < cache.roadCount; ++j)
        if (cache.RoadName(j) == name) return &cache.speedData[j];
      return nullptr;
    }
    case CMD_CCTV_STILL: {
      if (data == nullptr) return nullptr;
      std::uint32_t id = kavrel::ReadU32(data, 0);
      for (std::size_t j = 0; j < cache.cameraCount; ++j)
        if (cache.cameraIds[j] == id) return &cache.stillData[j];
      return nullptr;
    }
    case CMD_ROUTE: {
      if (data == nullptr) return nullptr;
      const auto* q = static_cast<const std::uint8_t*>(data);
      for (std::size_t j = 0; j < cache.routeCount; ++j) {
        const auto& c = cache.routeQueries[j];
        if (c[0] == q[0] && std::memcmp(c.data() + 4, q + 4, 8) == 0) return &cache.routeData[j];
      }
      return nullptr;
    }
    default:
      return nullptr;
  }
}

}  // namespace zmntp

using namespace zmntp;

int CZMNTP::ProcessOneStepCmd(unsigned long code, unsigned long* count, void* data, OneStepRecord* cache) {
  if (code == CMD_FLAG_A || code == CMD_FLAG_B) {
    SetPending(Buffer{code == CMD_FLAG_A ? cache->flagA : cache->flagB});
    *count = 1;
    return 0;
  }
  *count = 0;
  const Block* block = FindCachedItem(code, data, *cache);
  if (block == nullptr || block->empty()) return RESULT_NOT_HANDLED;

  switch (code) {
    case CMD_TICKER_TEXT:
    case CMD_CCTV_STILL:
    case CMD_ROUTE: {
      // A length- or count-prefixed block; an empty one counts as not found.
      if (kavrel::ReadU32(block->data(), 0) == 0) return RESULT_NOT_HANDLED;
      Buffer body(block->begin() + 4, block->end());
      if (code == CMD_CCTV_STILL) body = DecodeStillPicture(body);
      *count = static_cast<unsigned long>(body.size());
      SetPending(std::move(body));
      return 0;
    }
    case CMD_ROAD_SPEED: {
      std::string_view name = kavrel::CutCp949(
          std::string_view(static_cast<const char*>(data), ::strnlen(static_cast<const char*>(data), kTextBodySize)), kTextCharsMax);
      Buffer records = ExpandRoadSpeeds(State().roadFileImage, name, std::span(*block).subspan(4));
      *count = static_cast<unsigned long>(records.size() / kRoadSpeedRecordSize);
      if (!records.empty()) SetPending(std::move(records));
      return 0;
    }
    default:  // the texts and the limits: the block as it is
      *count = static_cast<unsigned long>(block->size());
      SetPending(*block);
      return 0;
  }
}

// kavrel-devsync LIBRARY: the handheld synchronisation service's part. Loads the
// provider by its exports, asks for the object type "KavrelASP" and prints what the
// provider answered. Exit status 0 when the provider knows the object type.
#include <cstdio>

#include "kavrel/com/repl.h"
#include "library.h"

namespace {

using namespace kavrel::com;

constexpr char16_t kObjectType[] = u"KavrelASP";

const char* YesNo(BOOL b) { return b ? "TRUE" : "FALSE"; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: kavrel-devsync LIBRARY\n", stderr);
    return 2;
  }
  kavrel::hosts::Library library(argv[1]);
  if (!library.loaded()) {
    std::fprintf(stderr, "kavrel-devsync: cannot load %s: %s\n", argv[1], library.error().c_str());
    return 1;
  }
  auto initObjType = library.Export<InitObjTypeFn>("InitObjType");
  auto objectNotify = library.Export<ObjectNotifyFn>("ObjectNotify");
  auto getObjTypeInfo = library.Export<GetObjTypeInfoFn>("GetObjTypeInfo");
  auto reportStatus = library.Export<ReportStatusFn>("ReportStatus");
  if (!initObjType || !objectNotify || !getObjTypeInfo || !reportStatus) {
    std::fprintf(stderr, "kavrel-devsync: %s lacks the provider's exports\n", argv[1]);
    return 1;
  }

  IReplObjHandler* handler = nullptr;
  BOOL known = initObjType(kObjectType, &handler, 1);
  std::printf("InitObjType KavrelASP: %s, handler %s\n", YesNo(known), handler ? "given" : "none");
  OBJTYPEINFO info;
  std::char_traits<char16_t>::copy(info.szObjType, kObjectType, std::size(kObjectType));
  BOOL hasInfo = getObjTypeInfo(&info);
  std::printf("GetObjTypeInfo KavrelASP: %s, %u objects, %u bytes\n", YesNo(hasInfo), info.cObjects, info.cbAllObj);
  OBJNOTIFY notify;
  std::char_traits<char16_t>::copy(notify.szObjType, kObjectType, std::size(kObjectType));
  std::printf("ObjectNotify KavrelASP: %s\n", YesNo(objectNotify(&notify)));
  if (handler) {
    BYTE* data = nullptr;
    DWORD size = 0;
    std::printf("GetPacket: %s, %u bytes\n", ResultText(handler->GetPacket(&data, &size, 4096)).c_str(), size);
    handler->Release();
  }
  std::printf("ReportStatus: %s\n", YesNo(reportStatus(kObjectType, 0, 0)));
  std::printf("InitObjType (end of use): %s\n", YesNo(initObjType(nullptr, nullptr, 1)));
  return known && hasInfo ? 0 : 1;
}

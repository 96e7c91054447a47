// DEVKAVRELASP through its exports, as the handheld's synchronisation service uses it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "kavrel/com/repl.h"

namespace {

using namespace kavrel::com;

class DeviceProvider : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    library_ = ::dlopen(DEVKAVRELASP_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << ::dlerror();
    initObjType_ = reinterpret_cast<InitObjTypeFn>(::dlsym(library_, "InitObjType"));
    objectNotify_ = reinterpret_cast<ObjectNotifyFn>(::dlsym(library_, "ObjectNotify"));
    getObjTypeInfo_ = reinterpret_cast<GetObjTypeInfoFn>(::dlsym(library_, "GetObjTypeInfo"));
    reportStatus_ = reinterpret_cast<ReportStatusFn>(::dlsym(library_, "ReportStatus"));
    ASSERT_TRUE(initObjType_ && objectNotify_ && getObjTypeInfo_ && reportStatus_);
  }
  static void TearDownTestSuite() { ::dlclose(library_); }

  static inline void* library_ = nullptr;
  static inline InitObjTypeFn initObjType_ = nullptr;
  static inline ObjectNotifyFn objectNotify_ = nullptr;
  static inline GetObjTypeInfoFn getObjTypeInfo_ = nullptr;
  static inline ReportStatusFn reportStatus_ = nullptr;
};

template <typename Record>
Record Named(const char16_t* name) {
  Record r;
  std::char_traits<char16_t>::copy(r.szObjType, name, std::char_traits<char16_t>::length(name));
  return r;
}

TEST_F(DeviceProvider, ExportsAnswerForTheirOneObjectType) {
  IReplObjHandler* sentinel = reinterpret_cast<IReplObjHandler*>(this);
  IReplObjHandler* handler = sentinel;
  OBJTYPEINFO info = Named<OBJTYPEINFO>(u"KavrelASP");
  info.cObjects = info.cbAllObj = 99;
  OBJTYPEINFO otherInfo = Named<OBJTYPEINFO>(u"Contacts");
  OBJTYPEINFO prefixInfo = Named<OBJTYPEINFO>(u"KavrelAS");
  OBJNOTIFY notify = Named<OBJNOTIFY>(u"KavrelASP");
  notify.uFlags = 1;
  notify.oidObject = 7;
  // A type field filled to its end without a terminator is read no further.
  OBJTYPEINFO unterminated;
  std::fill(std::begin(unterminated.szObjType), std::end(unterminated.szObjType), u'K');
  struct Case {
    const char* what;
    BOOL got, expected;
  };
  const Case cases[] = {
      {"end of use", initObjType_(nullptr, &handler, 1), TRUE},
      {"end of use leaves the pointer", handler == sentinel, TRUE},
      {"other type", initObjType_(u"Contacts", &handler, 1), FALSE},
      {"other type clears the pointer", handler == nullptr, TRUE},
      {"no place for the handler", initObjType_(u"KavrelASP", nullptr, 1), FALSE},
      {"notification", objectNotify_(&notify), FALSE},
      {"notification of none", objectNotify_(nullptr), FALSE},
      {"type information", getObjTypeInfo_(&info), TRUE},
      {"type information, other type", getObjTypeInfo_(&otherInfo), FALSE},
      {"type information, a prefix of the name", getObjTypeInfo_(&prefixInfo), FALSE},
      {"type information, unterminated", getObjTypeInfo_(&unterminated), FALSE},
      {"type information of none", getObjTypeInfo_(nullptr), FALSE},
      {"status", reportStatus_(u"KavrelASP", 3, 0), TRUE},
      {"status of none", reportStatus_(nullptr, 0, 0), TRUE},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
  EXPECT_EQ(info.cObjects, 0u);
  EXPECT_EQ(info.cbAllObj, 0u);
}

TEST_F(DeviceProvider, HandlerMovesNoDataAndLivesByItsCount) {
  IReplObjHandler* handler = nullptr;
  ASSERT_EQ(initObjType_(u"KavrelASP", &handler, 2), TRUE);
  ASSERT_NE(handler, nullptr);

  void* out = nullptr;
  const GUID anything = MakeGuid("{01234567-89AB-CDEF-0123-456789ABCDEF}");
  ASSERT_EQ(handler->QueryInterface(anything, &out), S_OK);
  EXPECT_EQ(out, handler);
  EXPECT_EQ(handler->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
  EXPECT_EQ(handler->Release(), 1u);

  // The rest is the shared handler without data (com_tests).
  REPLSETUP setup;
  EXPECT_EQ(handler->DeleteObj(&setup), S_OK);
  EXPECT_EQ(handler->DeleteObj(nullptr), E_INVALIDARG);
  BYTE* data = reinterpret_cast<BYTE*>(&setup);
  DWORD size = 5;
  EXPECT_EQ(handler->GetPacket(&data, &size, 0), RWRN_LAST_PACKET);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(handler->AddRef(), 2u);
  EXPECT_EQ(handler->Release(), 1u);
  EXPECT_EQ(handler->Release(), 0u);  // gone; the sanitizer sees a leak or a double free
}

}  // namespace

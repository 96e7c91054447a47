#include "kavrel/com/com.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "kavrel/com/empty_obj_handler.h"
#include "kavrel/com/repl.h"

namespace kavrel::com {
namespace {

TEST(Guid, RegistryTextRoundTripsAndMalformedTextIsRefused) {
  const GUID clsid = MakeGuid("{5528279A-8645-4309-8CC8-E38B7C8D1198}");
  EXPECT_EQ(clsid.data1, 0x5528279Au);
  EXPECT_EQ(clsid.data2, 0x8645u);
  EXPECT_EQ(clsid.data3, 0x4309u);
  EXPECT_EQ(clsid.data4[0], 0x8C);
  EXPECT_EQ(clsid.data4[7], 0x98);
  EXPECT_EQ(FormatGuid(clsid), "{5528279A-8645-4309-8CC8-E38B7C8D1198}");
  EXPECT_EQ(ParseGuid("{5528279a-8645-4309-8cc8-e38b7c8d1198}"), clsid);
  EXPECT_EQ(ParseGuid(FormatGuid(IID_IReplStore)), IID_IReplStore);
  EXPECT_NE(IID_IReplStore, IID_IUnknown);

  for (const char* bad : {"", "{}", "5528279A-8645-4309-8CC8-E38B7C8D1198",
                          "{5528279A-8645-4309-8CC8-E38B7C8D119}", "{5528279A-8645-4309-8CC8-E38B7C8D11988}",
                          "{5528279A+8645-4309-8CC8-E38B7C8D1198}", "{5528279G-8645-4309-8CC8-E38B7C8D1198}",
                          "{5528279A-8645-4309-8CC8-E38B7C8D1198 ", "(5528279A-8645-4309-8CC8-E38B7C8D1198)"}) {
    EXPECT_FALSE(ParseGuid(bad)) << bad;
  }
}

TEST(Result, SystemErrorsBecomeFailuresAndPrintAsHex) {
  EXPECT_EQ(HRESULT_FROM_WIN32(0), S_OK);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), MakeResult(0x80070002));
  EXPECT_EQ(HRESULT_FROM_WIN32(0x12345678), MakeResult(0x80075678));
  EXPECT_TRUE(FAILED(E_INVALIDARG));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
  EXPECT_TRUE(SUCCEEDED(RWRN_LAST_PACKET));
  EXPECT_TRUE(FAILED(RERR_OBJECT_GONE));
  EXPECT_EQ(ResultText(E_INVALIDARG), "0x80070057");
  EXPECT_EQ(ResultText(S_OK), "0x00000000");
}

TEST(RefCount, CountsFromOneAndLosesNoStepUnderContention) {
  RefCount count;
  EXPECT_EQ(count.value(), 1u);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        count.Increment();
        count.Decrement();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(count.value(), 1u);
  EXPECT_EQ(count.Increment(), 2u);
  EXPECT_EQ(count.Decrement(), 1u);
  EXPECT_EQ(count.Decrement(), 0u);
}

class CountedHandler final : public EmptyObjHandler {
 public:
  explicit CountedHandler(int* alive) : alive_(alive) { ++*alive_; }
  HRESULT QueryInterface(const IID&, void**) override { return E_NOTIMPL; }
  HRESULT DeleteObj(REPLSETUP* setup) override { return setup ? S_OK : E_INVALIDARG; }

 private:
  ~CountedHandler() override { --*alive_; }
  int* alive_;
};

TEST(EmptyObjHandler, KeepsSetUpRecordsMovesNoDataAndGoesWithItsLastReference) {
  int alive = 0;
  auto* h = new CountedHandler(&alive);
  REPLSETUP read, write;
  read.fRead = TRUE;
  BYTE* data = reinterpret_cast<BYTE*>(&read);
  DWORD size = 7;
  BYTE packet[1] = {};
  struct Case {
    const char* method;
    HRESULT got, expected;
  };
  const Case cases[] = {
      {"Setup read", h->Setup(&read), S_OK},
      {"Setup write", h->Setup(&write), S_OK},
      {"Setup none", h->Setup(nullptr), E_INVALIDARG},
      {"Reset", h->Reset(&read), S_OK},
      {"Reset none", h->Reset(nullptr), E_INVALIDARG},
      {"GetPacket no size", h->GetPacket(&data, nullptr, 100), E_INVALIDARG},
      {"GetPacket no data", h->GetPacket(nullptr, &size, 100), E_INVALIDARG},
      {"GetPacket", h->GetPacket(&data, &size, 100), RWRN_LAST_PACKET},
      {"SetPacket", h->SetPacket(packet, 1), S_OK},
      {"SetPacket none", h->SetPacket(nullptr, 0), E_INVALIDARG},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.method;
  EXPECT_EQ(h->readSetup(), &read);
  EXPECT_EQ(h->writeSetup(), &write);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(h->AddRef(), 2u);
  EXPECT_EQ(h->Release(), 1u);
  EXPECT_EQ(alive, 1);
  EXPECT_EQ(h->Release(), 0u);
  EXPECT_EQ(alive, 0);
}

}  // namespace
}  // namespace kavrel::com

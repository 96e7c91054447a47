// The desktop provider's store, object handler and factory, slot by slot.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

#include <cstring>
#include <functional>

#include "kavrel/registry.h"
#include "module.h"
#include "obj_handler.h"
#include "provider_bench.h"
#include "provider_names.h"
#include "setup_files.h"
#include "sync_store.h"

namespace kavrelasp {
namespace {

using namespace kavrelasp::testing;

struct FakeEnum {};
IEnumReplItem* SomeEnumerator() {
  static FakeEnum e;
  return reinterpret_cast<IEnumReplItem*>(&e);
}
HWND SomeWindow() {
  static int w;
  return &w;
}

class StoreSlots : public ProviderBench {
 public:
  HREPLFLD folder_ = nullptr;
  IUnknown* handler_ = nullptr;
  HREPLITEM item_ = nullptr, other_ = nullptr;

  void SetUp() override {
    ProviderBench::SetUp();
    ASSERT_EQ(store_->GetFolderInfo("KavrelASP", &folder_, &handler_), S_OK);
    item_ = Item("b", 1, 2);
    other_ = Item("a", 1, 3);
  }
  void TearDown() override {
    for (HREPLOBJ h : {folder_, item_, other_}) store_->FreeObject(h);
    if (handler_) handler_->Release();
    ProviderBench::TearDown();
  }
  HREPLITEM Item(const char* name, DWORD low, DWORD high) {
    std::uint8_t bytes[272] = {};
    bytes[0] = 2;
    std::strcpy(reinterpret_cast<char*>(bytes + 4), name);
    std::memcpy(bytes + 264, &low, 4);
    std::memcpy(bytes + 268, &high, 4);
    return store_->BytesToObject(bytes, sizeof bytes);
  }
};

TEST_F(StoreSlots, EverySlotAnswersAsTheManagerExpects) {
  IReplStore* s = store_;
  const std::uint8_t id12[] = {1, 2}, id13[] = {1, 3}, id000[] = {0, 0, 0};
  REPLSETUP setup;
  OBJUIDATA ui;
  std::strcpy(ui.szSyncText, "as given");
  CONFINFO conflict;
  conflict.hFolder = folder_;
  CONFINFO noFolder;
  HREPLITEM found = item_;
  BOOL flag = TRUE;
  std::uint8_t bytes[272];
  SetOptionsDialogRunner([](HWND) { return false; });
  struct Case {
    const char* slot;
    std::function<long()> call;
    long expected;
  };
  void* out = nullptr;
  const Case cases[] = {
      {"0 QueryInterface IReplStore", [&] {
         long hr = s->QueryInterface(IID_IReplStore, &out);
         return hr == S_OK && out == s && s->Release() == 1 ? hr : 99;
       }, S_OK},
      {"0 QueryInterface IUnknown", [&] {
         long hr = s->QueryInterface(IID_IUnknown, &out);
         return hr == S_OK && out == s && s->Release() == 1 ? hr : 99;
       }, S_OK},
      {"0 QueryInterface other", [&] {
         long hr = s->QueryInterface(IID_IClassFactory, &out);
         return out ? 99 : hr;
       }, E_NOINTERFACE},
      {"0 QueryInterface no output", [&] { return s->QueryInterface(IID_IReplStore, nullptr); }, E_INVALIDARG},
      {"1 AddRef", [&] { return s->AddRef(); }, 2},
      {"2 Release", [&] { return s->Release(); }, 1},
      {"5 ReportStatus", [&] { return s->ReportStatus(folder_, item_, 3, 0); }, S_OK},
      {"6 CompareStoreIDs 0102 < 0103", [&] { return s->CompareStoreIDs(id12, 2, id13, 2); }, -1},
      {"6 CompareStoreIDs 0103 > 0102", [&] { return s->CompareStoreIDs(id13, 2, id12, 2); }, 1},
      {"6 CompareStoreIDs shorter first", [&] { return s->CompareStoreIDs(id13, 2, id000, 3); }, -1},
      {"6 CompareStoreIDs longer first", [&] { return s->CompareStoreIDs(id000, 3, id13, 2); }, 1},
      {"6 CompareStoreIDs equal", [&] { return s->CompareStoreIDs(id12, 2, id12, 2); }, 0},
      {"7 CompareItem", [&] { return s->CompareItem(item_, other_); }, 1},
      {"7 CompareItem same", [&] { return s->CompareItem(item_, item_); }, 0},
      {"7 CompareItem no item", [&] { return s->CompareItem(nullptr, item_); }, E_INVALIDARG},
      {"8 IsItemChanged no folder", [&] { return s->IsItemChanged(nullptr, item_, other_); }, FALSE},
      {"8 IsItemChanged no item", [&] { return s->IsItemChanged(folder_, nullptr, other_); }, FALSE},
      {"8 IsItemChanged stamps differ", [&] { return s->IsItemChanged(folder_, item_, other_) != 0; }, TRUE},
      {"8 IsItemChanged folder answers", [&] { return s->IsItemChanged(folder_, item_, nullptr); }, FALSE},
      {"9 IsItemReplicated no folder", [&] { return s->IsItemReplicated(nullptr, item_); }, FALSE},
      {"9 IsItemReplicated no item", [&] { return s->IsItemReplicated(folder_, nullptr); }, TRUE},
      {"9 IsItemReplicated item", [&] { return s->IsItemReplicated(folder_, item_); }, TRUE},
      {"11 GetFolderInfo other type", [&] {
         HREPLFLD f = nullptr;
         IUnknown* h = nullptr;
         long hr = s->GetFolderInfo("Contacts", &f, &h);
         return f || h ? 99 : hr;
       }, E_INVALIDARG},
      {"11 GetFolderInfo keeps the folder", [&] {
         HREPLFLD f = folder_;
         IUnknown* h = nullptr;
         long hr = s->GetFolderInfo("KavrelASP", &f, &h);
         if (h) h->Release();
         return f == folder_ ? hr : 99;
       }, S_OK},
      {"11 GetFolderInfo no name", [&] { return s->GetFolderInfo(nullptr, &folder_, &handler_); }, E_INVALIDARG},
      {"12 IsFolderChanged", [&] { return s->IsFolderChanged(folder_, &flag) == S_OK && flag; }, TRUE},
      {"13 FindFirstItem", [&] {
         long hr = s->FindFirstItem(folder_, &found, &flag);
         return hr == S_OK && !found && !flag;
       }, TRUE},
      {"13 FindFirstItem no folder", [&] { return s->FindFirstItem(nullptr, &found, &flag); }, E_INVALIDARG},
      {"14 FindNextItem", [&] { flag = TRUE; return s->FindNextItem(folder_, &found, &flag) == S_OK && !flag; }, TRUE},
      {"15 FindItemClose", [&] { return s->FindItemClose(folder_); }, S_OK},
      {"16 ObjectToBytes folder length", [&] { return s->ObjectToBytes(folder_, nullptr); }, 264},
      {"16 ObjectToBytes item length", [&] { return s->ObjectToBytes(item_, nullptr); }, 272},
      {"16 ObjectToBytes item", [&] { return s->ObjectToBytes(item_, bytes); }, 272},
      {"17 BytesToObject folder of another type", [&] {
         std::uint8_t form[264] = {1};
         std::strcpy(reinterpret_cast<char*>(form + 4), "Contacts");
         return s->BytesToObject(form, sizeof form) == nullptr;
       }, TRUE},
      {"19 CopyObject different types", [&] { return s->CopyObject(folder_, item_); }, FALSE},
      {"19 CopyObject missing", [&] { return s->CopyObject(nullptr, item_); }, FALSE},
      {"19 CopyObject item", [&] {
         HREPLITEM copy = Item("c", 0, 0);
         long ok = s->CopyObject(item_, copy) && s->CompareItem(copy, item_) == 0 && !s->IsItemChanged(folder_, copy, item_);
         s->FreeObject(copy);
         return ok;
       }, TRUE},
      {"20 IsValidObject folder only", [&] { return s->IsValidObject(folder_, nullptr, 0); }, S_OK},
      {"20 IsValidObject item", [&] { return s->IsValidObject(folder_, item_, 0); }, S_OK},
      {"20 IsValidObject item as folder", [&] { return s->IsValidObject(item_, item_, 0); }, E_HANDLE},
      {"20 IsValidObject folder as item", [&] { return s->IsValidObject(folder_, folder_, 0); }, E_HANDLE},
      {"20 IsValidObject no folder", [&] { return s->IsValidObject(nullptr, item_, 0); }, E_INVALIDARG},
      {"21 ActivateDialog other dialog", [&] { return s->ActivateDialog(1, SomeWindow(), folder_, SomeEnumerator()); }, E_NOTIMPL},
      {"21 ActivateDialog no window", [&] { return s->ActivateDialog(0, nullptr, folder_, SomeEnumerator()); }, E_INVALIDARG},
      {"21 ActivateDialog no enumerator", [&] { return s->ActivateDialog(0, SomeWindow(), folder_, nullptr); }, E_INVALIDARG},
      {"21 ActivateDialog cancelled", [&] { return s->ActivateDialog(0, SomeWindow(), folder_, SomeEnumerator()); },
       RERR_DIALOG_CANCELLED},
      {"21 ActivateDialog OK", [&] {
         SetOptionsDialogRunner([](HWND) { return true; });
         return s->ActivateDialog(0, SomeWindow(), folder_, SomeEnumerator());
       }, S_OK},
      {"22 GetObjTypeUIData", [&] { return s->GetObjTypeUIData(folder_, &ui); }, S_OK},
      {"22 GetObjTypeUIData no folder", [&] { return s->GetObjTypeUIData(nullptr, &ui); }, E_INVALIDARG},
      {"23 GetConflictInfo", [&] { return s->GetConflictInfo(&conflict); }, RERR_CONFLICT_IGNORED},
      {"23 GetConflictInfo no folder", [&] { return s->GetConflictInfo(&noFolder); }, E_INVALIDARG},
      {"24 RemoveDuplicates", [&] { return s->RemoveDuplicates("KavrelASP", 0); }, S_OK},
      {"24 RemoveDuplicates no name", [&] { return s->RemoveDuplicates(nullptr, 0); }, S_OK},
      {"24 RemoveDuplicates other", [&] { return s->RemoveDuplicates("Contacts", 0); }, E_INVALIDARG},
  };
  for (const auto& c : cases) EXPECT_EQ(c.call(), c.expected) << c.slot;
  SetOptionsDialogRunner(nullptr);

  EXPECT_EQ(ui.hIconLarge, 101u);
  EXPECT_EQ(ui.hIconSmall, 101u);
  EXPECT_STREQ(ui.szName, "KavrelASP");
  EXPECT_STREQ(ui.szTypeText, "KavrelASP Item");
  EXPECT_STREQ(ui.szPlTypeText, "KavrelASP Items");
  EXPECT_STREQ(ui.szSyncText, "as given");

  // UpdateItem copies the source's time stamp; without a source nothing changes.
  EXPECT_TRUE(s->IsItemChanged(folder_, item_, other_));
  s->UpdateItem(folder_, item_, nullptr);
  EXPECT_TRUE(s->IsItemChanged(folder_, item_, other_));
  s->UpdateItem(folder_, item_, other_);
  EXPECT_FALSE(s->IsItemChanged(folder_, item_, other_));
}

TEST_F(StoreSlots, StoreInformationBeforeAndAfterInitialisation) {
  std::uint8_t id[8] = {};
  STOREINFO info;
  info.cbMaxStoreId = sizeof id;
  info.lpbStoreId = id;
  ASSERT_EQ(store_->GetStoreInfo(&info), S_OK);
  EXPECT_EQ(info.uFlags, 1u);
  EXPECT_STREQ(info.szProgId, "CorvathSystem.KavrelASP");
  EXPECT_STREQ(info.szStoreDesc, "KavrelASP Store");
  EXPECT_EQ(info.cbStoreId, 0u);
  EXPECT_EQ(id[0], 0);
  EXPECT_EQ(store_->GetStoreInfo(nullptr), E_INVALIDARG);

  CountingNotify notify;
  EXPECT_EQ(store_->Initialize(nullptr, 0), E_INVALIDARG);
  ASSERT_EQ(store_->Initialize(&notify, 0), S_OK);
  EXPECT_EQ(notify.refs, 2u);
  ASSERT_EQ(store_->GetStoreInfo(&info), S_OK);
  EXPECT_EQ(info.cbStoreId, 4u);
  EXPECT_EQ(id[0] | id[1] << 8 | id[2] << 16 | id[3] << 24, 12345);
  info.cbMaxStoreId = 3;
  EXPECT_EQ(store_->GetStoreInfo(&info), E_OUTOFMEMORY);
  info.cbMaxStoreId = 4;
  info.lpbStoreId = nullptr;
  EXPECT_EQ(store_->GetStoreInfo(&info), E_POINTER);

  // Status 6 lets go of the manager's notify object, once.
  EXPECT_EQ(store_->ReportStatus(nullptr, nullptr, 5, 0), S_OK);
  EXPECT_EQ(notify.refs, 2u);
  EXPECT_EQ(store_->ReportStatus(nullptr, nullptr, RSC_RELEASE, 0), S_OK);
  EXPECT_EQ(notify.refs, 1u);
  EXPECT_EQ(store_->ReportStatus(nullptr, nullptr, RSC_RELEASE, 0), S_OK);
  EXPECT_EQ(notify.refs, 1u);

  // A store released with the pointer still held gives it back.
  IClassFactory* factory = nullptr;
  IReplStore* second = nullptr;
  ASSERT_EQ(GetClassObject(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IReplStore, reinterpret_cast<void**>(&second)), S_OK);
  factory->Release();
  ASSERT_EQ(second->Initialize(&notify, 0), S_OK);
  EXPECT_EQ(notify.refs, 2u);
  EXPECT_EQ(second->Release(), 0u);
  EXPECT_EQ(notify.refs, 1u);
}

TEST_F(StoreSlots, ObjectHandlerMovesNoData) {
  auto* handler = static_cast<SyncObjHandler*>(handler_);
  IReplObjHandler* h = handler;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(h->QueryInterface(IID_IReplObjHandler, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(h->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
  ASSERT_EQ(h->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(h->Release(), 1u);

  // The rest is the shared handler without data (com_tests); deletion goes to the folder.
  REPLSETUP setup;
  EXPECT_EQ(h->DeleteObj(&setup), S_OK);
  EXPECT_EQ(h->DeleteObj(nullptr), E_INVALIDARG);
  BYTE* data = reinterpret_cast<BYTE*>(&setup);
  DWORD size = 7;
  EXPECT_EQ(h->GetPacket(&data, &size, 100), RWRN_LAST_PACKET);
  EXPECT_EQ(handler->readSetup(), nullptr);
}

// Reads `count` lines from a FIFO that started programs write to.
int AwaitStarts(const fs::path& fifo, int count) {
  int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);  // a writer of our own keeps it open
  if (fd < 0) return 0;
  int lines = 0;
  while (lines < count) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 120000) <= 0) break;  // a safety net, not a wait
    char buffer[64];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    for (ssize_t i = 0; i < n; ++i) lines += buffer[i] == '\n';
  }
  ::close(fd);
  return lines;
}

TEST_F(ProviderBench, InitializeStartsTheInstallerFromTheProgramDirectoryEveryTime) {
  const fs::path program = root_ / "program";
  const fs::path fifo = root_ / "started";
  fs::create_directories(program);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  {
    std::ofstream script(program / "PlumoSetup");
    script << "#!/bin/sh\necho started > '" << fifo.string() << "'\n";
  }
  fs::permissions(program / "PlumoSetup", fs::perms::owner_all);
  int fifoKeeper = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);  // writers never block
  ASSERT_GE(fifoKeeper, 0);

  // Without ticker_dir: two failures logged where the manager runs (after the release
  // of the factory's creation reference), and no installer.
  CountingNotify notify;
  EXPECT_EQ(store_->Initialize(&notify, 0), S_OK);
  EXPECT_EQ(LogEntries(start_ / "SYNCQ_DBM5.TXT"),
            (std::vector<std::string>{"Release", "Fatal Error: Resistry Open failed", "Fatal Error: Resistry Query failed",
                                      "Initialize", "PlumoSetup_Execute_FAILED"}));

  // A key without the value: the read fails.
  ASSERT_EQ(kavrel::registry::SetValue(kavrel::registry::Hive::CurrentUser, setup::kDesktopKey, "other",
                                       std::string("x")), kavrel::registry::Status::Ok);
  EXPECT_EQ(store_->Initialize(&notify, 0), S_OK);
  EXPECT_EQ(LogEntries(start_ / "SYNCQ_DBM5.TXT").at(5), "Fatal Error: Resistry Query failed");

  // With it: the program directory becomes current, the installer starts there, each time,
  // even when the manager's arguments are refused.
  ASSERT_EQ(kavrel::registry::SetValue(kavrel::registry::Hive::CurrentUser, setup::kDesktopKey,
                                       setup::kTickerDirValue, program.string()), kavrel::registry::Status::Ok);
  EXPECT_EQ(store_->Initialize(&notify, 0), S_OK);
  EXPECT_EQ(store_->Initialize(nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(AwaitStarts(fifo, 2), 2);
  EXPECT_EQ(fs::current_path(), program);
  store_->Release();
  store_ = nullptr;
  EXPECT_EQ(LogEntries(program / "SYNCQ_DBM5.TXT"),
            (std::vector<std::string>{"Initialize", "PlumoSetup_Execute_SUCCESS", "Initialize",
                                      "PlumoSetup_Execute_SUCCESS", "Release"}));
  EXPECT_EQ(notify.refs, 1u);
  ::close(fifoKeeper);
}

TEST(Factory, ReferenceCountsInterfacesAndUnloading) {
  // The library itself, as a host loads it.
  void* library = ::dlopen(KAVRELASP_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(::dlsym(library, "DllGetClassObject"));
  auto canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(library, "DllCanUnloadNow"));
  ASSERT_TRUE(getClassObject && canUnloadNow);
  kavrel::testing::ScratchDir dir("kavrelasp-factory");
  fs::path old = fs::current_path();
  fs::current_path(dir.path());

  EXPECT_EQ(canUnloadNow(), S_OK);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(CLSID_KavrelASP, IID_IReplStore, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClassObject(CLSID_KavrelASP, IID_IClassFactory, nullptr), E_INVALIDARG);
  EXPECT_EQ(canUnloadNow(), S_OK);

  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(IID_IUnknown, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(unknown->Release(), 1u);
  EXPECT_EQ(factory->QueryInterface(IID_IReplStore, &out), E_NOINTERFACE);
  EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);

  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(&dir), IID_IReplStore, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
  IReplStore* store = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IReplStore, reinterpret_cast<void**>(&store)), S_OK);
  EXPECT_EQ(store->AddRef(), 2u);
  EXPECT_EQ(store->Release(), 1u);

  // Locks keep the library as objects do.
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(store->Release(), 0u);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(getClassObject(IID_IUnknown, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(canUnloadNow(), S_OK);

  // Every store release was logged (the creation references and ours).
  auto entries = LogEntries(dir / "SYNCQ_DBM5.TXT");
  EXPECT_EQ(entries, std::vector<std::string>(4, "Release"));
  fs::current_path(old);
  ::dlclose(library);
}

}  // namespace
}  // namespace kavrelasp

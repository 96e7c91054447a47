// Registration and unregistration of the desktop provider in a scratch registry.
#include "registration.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "kavrel/com/repl.h"
#include "kavrel/testing/scratch.h"

namespace kavrelasp {
namespace {

using namespace kavrel::com;
namespace reg = kavrel::registry;
using kavrel::testing::ScopedEnv;
using kavrel::testing::ScratchDir;

const std::string kClassKey = "CLSID\\{5528279A-8645-4309-8CC8-E38B7C8D1198}";
const std::string kTypeKey = std::string(kSyncObjectsKey) + "\\KavrelASP";

class Registration : public ::testing::Test {
 public:
  ScratchDir dir_{"kavrelasp-reg"};
  ScopedEnv env_{"KAVREL_REGISTRY", dir_.path().string()};
  std::string Text(reg::Hive hive, const std::string& key, const std::string& name) {
    auto v = reg::GetValue(hive, key, name);
    return v && std::holds_alternative<std::string>(*v) ? std::get<std::string>(*v) : "<none>";
  }
};

TEST_F(Registration, RoundTripLeavesTheManagersKeyAndNothingElse) {
  const auto CR = reg::Hive::ClassesRoot, LM = reg::Hive::LocalMachine;
  const std::string path = "/opt/kavrel/lib/libKAVRELASP.so";
  // Without the manager's "Objects" key the class is written, then registration stops.
  EXPECT_EQ(RegisterServer(path), MakeResult(0x80070002));
  EXPECT_EQ(Text(CR, kClassKey + "\\InprocServer32", ""), path);
  EXPECT_EQ(reg::OpenKey(LM, kTypeKey), reg::Status::NoKey);

  ASSERT_EQ(reg::CreateKey(LM, kSyncObjectsKey), reg::Status::Ok);
  ASSERT_EQ(RegisterServer(path), S_OK);
  struct Entry {
    reg::Hive hive;
    std::string key, name, data;
  };
  const Entry entries[] = {
      {CR, kClassKey + "\\InprocServer32", "", path},
      {CR, kClassKey + "\\ProgId", "", "CorvathSystem.KavrelASP"},
      {CR, "CorvathSystem.KavrelASP", "", "KavrelASP"},
      {CR, "CorvathSystem.KavrelASP", "Display Name", "KavrelASP Store"},
      {CR, "CorvathSystem.KavrelASP\\CLSID", "", "{5528279A-8645-4309-8CC8-E38B7C8D1198}"},
      {LM, kTypeKey, "", "KavrelASP Object"},
      {LM, kTypeKey, "Display Name", "KavrelASP"},
      {LM, kTypeKey, "Plural Name", "KavrelASP Items"},
      {LM, kTypeKey, "Store", "CorvathSystem.KavrelASP"},
      {LM, kTypeKey, "DefaultIcon", path + ", -101"},
  };
  for (const auto& e : entries) EXPECT_EQ(Text(e.hive, e.key, e.name), e.data) << e.key << " " << e.name;
  EXPECT_EQ(Text(CR, kClassKey + "\\InprocServer32", "ThreadingModel"), "<none>");

  ASSERT_EQ(UnregisterServer(), S_OK);
  for (const auto& [hive, key] : {std::pair{CR, kClassKey}, std::pair{CR, std::string("CorvathSystem.KavrelASP")},
                                  std::pair{LM, kTypeKey}})
    EXPECT_EQ(reg::OpenKey(hive, key), reg::Status::NoKey) << key;
  EXPECT_EQ(reg::OpenKey(LM, kSyncObjectsKey), reg::Status::Ok);
  EXPECT_EQ(reg::OpenKey(CR, "CLSID"), reg::Status::Ok);

  // Unregistering what is not registered fails at the class key.
  EXPECT_EQ(UnregisterServer(), MakeResult(0x80070002));
}

TEST_F(Registration, APathLongerThanItsFieldIsRefusedNotCut) {
  ASSERT_EQ(reg::CreateKey(reg::Hive::LocalMachine, kSyncObjectsKey), reg::Status::Ok);
  const std::string longest = "/" + std::string(258, 'p');  // 259 bytes and the terminator
  EXPECT_EQ(RegisterServer(longest), S_OK);
  EXPECT_EQ(Text(reg::Hive::ClassesRoot, kClassKey + "\\InprocServer32", ""), longest);
  ASSERT_EQ(UnregisterServer(), S_OK);

  EXPECT_EQ(RegisterServer(longest + "x"), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(RegisterServer(""), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(reg::OpenKey(reg::Hive::ClassesRoot, kClassKey), reg::Status::NoKey);
}

TEST_F(Registration, RegistryFailuresBecomeResults) {
  EXPECT_EQ(ResultOf(reg::Status::Ok), S_OK);
  EXPECT_EQ(ResultOf(reg::Status::NoKey), MakeResult(0x80070002));
  EXPECT_EQ(ResultOf(reg::Status::IoError), MakeResult(0x80070005));
  // A damaged hive stops registration with its error.
  { std::ofstream(reg::HiveFile(reg::Hive::ClassesRoot)) << "not a hive\n\x01"; }
  HRESULT hr = RegisterServer("/opt/kavrel/lib/libKAVRELASP.so");
  EXPECT_TRUE(FAILED(hr)) << ResultText(hr);
}

}  // namespace
}  // namespace kavrelasp

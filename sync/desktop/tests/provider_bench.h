// The desktop provider's test bench: a store made through the class factory, a
// scratch registry and program directory, and a notify object that counts its
// references.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kavrel/com/repl.h"
#include "kavrel/testing/scratch.h"
#include "store_factory.h"

namespace kavrelasp::testing {

namespace fs = std::filesystem;
using namespace kavrel::com;

class CountingNotify final : public IReplNotify {
 public:
  HRESULT QueryInterface(const IID&, void** object) override {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT SetStatusText(const char*) override { return S_OK; }
  HRESULT GetWindow(UINT, HWND* window) override {
    if (window) *window = nullptr;
    return S_OK;
  }
  HRESULT OnItemNotify(UINT, const char*, const char*, HREPLITEM, ULONG) override { return S_OK; }
  HRESULT QueryDevice(UINT, void**) override { return E_NOTIMPL; }
  ULONG refs = 1;
};

// The entry texts of a provider log, without their time stamps.
inline std::vector<std::string> LogEntries(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  std::vector<std::string> entries;
  std::string all = s.str();
  for (std::size_t start = 0; start < all.size();) {
    std::size_t end = all.find("\r\n", start);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(start, end - start);
    entries.push_back(line.substr(0, line.rfind('(')));
    start = end + 2;
  }
  return entries;
}

class ProviderBench : public ::testing::Test {
 public:
  kavrel::testing::ScratchDir root_{"kavrelasp"};
  fs::path registry_ = root_ / "registry";
  fs::path start_ = root_ / "start";  // the current directory the manager runs in
  kavrel::testing::ScopedEnv registryEnv_{"KAVREL_REGISTRY", registry_.string()};
  fs::path oldCwd_ = fs::current_path();
  IReplStore* store_ = nullptr;

  void SetUp() override {
    fs::create_directories(registry_);
    fs::create_directories(start_);
    fs::current_path(start_);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetClassObject(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IReplStore, reinterpret_cast<void**>(&store_)), S_OK);
    factory->Release();
  }
  void TearDown() override {
    if (store_) store_->Release();
    fs::current_path(oldCwd_);
  }
};

}  // namespace kavrelasp::testing

#include "registration.h"

#include <string>

#include "kavrel/com/repl.h"
#include "provider_names.h"

namespace kavrelasp {

using namespace kavrel::com;
namespace reg = kavrel::registry;

namespace {

const std::string kClassKey = std::string(kClassesKey) + "\\" + FormatGuid(CLSID_KavrelASP);
const std::string kObjectTypeKey = std::string(kSyncObjectsKey) + "\\" + kObjectType;

struct Entry {
  reg::Hive hive;
  std::string key, name, data;
};

}  // namespace

HRESULT ResultOf(reg::Status status) {
  switch (status) {
    case reg::Status::Ok: return S_OK;
    case reg::Status::NoKey:
    case reg::Status::NoValue: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case reg::Status::BadName: return HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
    case reg::Status::IoError: return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case reg::Status::Corrupt: return HRESULT_FROM_WIN32(ERROR_BADDB);
  }
  return E_FAIL;
}

HRESULT RegisterServer(std::string_view path) {
  if (path.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (path.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  const std::string file(path);
  const std::string clsid = FormatGuid(CLSID_KavrelASP);
  const auto CR = reg::Hive::ClassesRoot;
  const auto LM = reg::Hive::LocalMachine;
  const Entry classEntries[] = {
      {CR, kClassKey + "\\" + kInprocServerKey, "", file},
      {CR, kClassKey + "\\" + kProgIdKey, "", kProgId},
      {CR, kProgId, "", kObjectType},
      {CR, kProgId, "Display Name", kStoreDescription},
      {CR, std::string(kProgId) + "\\" + kClassesKey, "", clsid},
  };
  for (const auto& e : classEntries)
    if (auto status = reg::SetValue(e.hive, e.key, e.name, e.data); status != reg::Status::Ok) return ResultOf(status);

  // The manager's own key must be there already.
  if (auto status = reg::OpenKey(LM, kSyncObjectsKey); status != reg::Status::Ok) return ResultOf(status);
  const Entry typeEntries[] = {
      {LM, kObjectTypeKey, "", kObjectDescription},
      {LM, kObjectTypeKey, "Display Name", kObjectType},
      {LM, kObjectTypeKey, "Plural Name", kItemsName},
      {LM, kObjectTypeKey, kStoreValue, kProgId},
      {LM, kObjectTypeKey, "DefaultIcon", file + ", -" + std::to_string(kIconResource)},
  };
  for (const auto& e : typeEntries)
    if (auto status = reg::SetValue(e.hive, e.key, e.name, e.data); status != reg::Status::Ok) return ResultOf(status);
  return S_OK;
}

HRESULT UnregisterServer() {
  const auto CR = reg::Hive::ClassesRoot;
  if (auto status = reg::OpenKey(CR, kClassKey); status != reg::Status::Ok) return ResultOf(status);
  reg::Status status = reg::Status::Ok;
  auto subkeys = reg::SubkeyNames(CR, kClassKey, &status);
  if (!subkeys) return ResultOf(status);
  for (const auto& name : *subkeys)
    if (status = reg::DeleteKey(CR, kClassKey + "\\" + name); status != reg::Status::Ok) return ResultOf(status);
  // A class key that is already gone counts as deleted.
  if (status = reg::DeleteKey(CR, kClassKey); status != reg::Status::Ok && status != reg::Status::NoKey)
    return ResultOf(status);
  const std::pair<reg::Hive, std::string> rest[] = {
      {CR, std::string(kProgId) + "\\" + kClassesKey},
      {CR, kProgId},
      {reg::Hive::LocalMachine, kObjectTypeKey},
  };
  for (const auto& [hive, key] : rest)
    if (status = reg::DeleteKey(hive, key); status != reg::Status::Ok) return ResultOf(status);
  return S_OK;
}

}  // namespace kavrelasp

// DEVKAVRELASP, the handheld half of the provider pair: the object type "KavrelASP"
// exists on the handheld, holds no objects and is never concerned by a change.
#pragma once

#include <string_view>

#include "kavrel/com/empty_obj_handler.h"

namespace devkavrelasp {

inline constexpr std::u16string_view kObjectType = u"KavrelASP";

// The object handler of the handheld: moves no data.
class SyncObjHandler final : public kavrel::com::EmptyObjHandler {
 public:
  explicit SyncObjHandler(kavrel::com::UINT partner) : partner_(partner) {}
  // The handler itself, for any interface.
  kavrel::com::HRESULT QueryInterface(const kavrel::com::IID& iid, void** object) override;
  kavrel::com::HRESULT DeleteObj(kavrel::com::REPLSETUP* setup) override;

  kavrel::com::UINT partner() const { return partner_; }

 private:
  ~SyncObjHandler() override = default;
  kavrel::com::UINT partner_;
};

// An object type of the handheld provider, as the exports ask it.
class ObjectType {
 public:
  virtual ~ObjectType() = default;
  virtual std::u16string_view TypeName() const = 0;
  // A new handler for the partner; nullptr without memory.
  virtual kavrel::com::IReplObjHandler* CreateObjHandler(kavrel::com::UINT partner) = 0;
  virtual void EndOfUse() = 0;
  virtual bool ObjectNotification(kavrel::com::OBJNOTIFY* notify) = 0;
  virtual void TypeInformation(kavrel::com::OBJTYPEINFO* info) = 0;
};

class SyncFolder final : public ObjectType {
 public:
  std::u16string_view TypeName() const override { return kObjectType; }
  kavrel::com::IReplObjHandler* CreateObjHandler(kavrel::com::UINT partner) override;
  void EndOfUse() override {}  // nothing is held between uses
  bool ObjectNotification(kavrel::com::OBJNOTIFY*) override { return false; }
  void TypeInformation(kavrel::com::OBJTYPEINFO* info) override;
};

// The object type named by a record's field (read no further than the field); nullptr
// when the provider has none of that name.
ObjectType* FindObjectType(const char16_t* name, std::size_t maxUnits);
// The service is done with the provider: every object type lets go of what it holds.
void EndOfUse();

}  // namespace devkavrelasp

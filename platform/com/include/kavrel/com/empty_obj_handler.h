// An object handler for an object type whose objects carry no data: it keeps the set-up
// records it is given, has no packet to send and takes any packet it gets. Providers
// derive from it and answer QueryInterface and DeleteObj themselves.
#pragma once

#include "kavrel/com/repl.h"

namespace kavrel::com {

class EmptyObjHandler : public IReplObjHandler {
 public:
  ULONG AddRef() override { return refs_.Increment(); }
  // Destroys the handler with the last reference.
  ULONG Release() override;
  // Keeps the record as the read record when its read flag is set, else as the write record.
  HRESULT Setup(REPLSETUP* setup) override;
  HRESULT Reset(REPLSETUP* setup) override;
  // No data: the pointer cleared, the length 0, and the last-packet warning.
  HRESULT GetPacket(BYTE** data, DWORD* size, DWORD recommendedSize) override;
  HRESULT SetPacket(BYTE* data, DWORD size) override;

  REPLSETUP* readSetup() const { return readSetup_; }
  REPLSETUP* writeSetup() const { return writeSetup_; }

 protected:
  virtual ~EmptyObjHandler() = default;

 private:
  RefCount refs_;
  REPLSETUP* readSetup_ = nullptr;
  REPLSETUP* writeSetup_ = nullptr;
};

}  // namespace kavrel::com

// The handles the provider gives the manager for folders and items, and their byte
// form, which the manager stores between sessions (little-endian):
//   folder: type 1, 260-byte name                              264 bytes
//   item:   type 2, 260-byte name, time stamp low, high words  272 bytes
//   other:  the type only                                      4 bytes
#pragma once

#include <cstdint>
#include <functional>

#include "kavrel/com/repl.h"

namespace kavrelasp {

class SyncFolder;

inline constexpr std::uint32_t kFolderType = 1;
inline constexpr std::uint32_t kItemType = 2;
inline constexpr std::size_t kNameBytes = kavrel::com::MAX_PATH;
inline constexpr std::size_t kFolderBytes = 4 + kNameBytes;
inline constexpr std::size_t kItemBytes = 4 + kNameBytes + 8;

struct ReplHandle {
  explicit ReplHandle(std::uint32_t t) : type(t) {}
  virtual ~ReplHandle() = default;
  std::uint32_t type;
  char name[kNameBytes] = {};
  // Sets the name, cut to fit with its terminator.
  void SetName(const char* text);
};

struct FolderHandle : ReplHandle {
  FolderHandle() : ReplHandle(kFolderType) {}
  SyncFolder* folder = nullptr;
};

struct ItemHandle : ReplHandle {
  ItemHandle() : ReplHandle(kItemType) {}
  kavrel::com::FILETIME stamp;
};

// Between the manager's opaque handles and ours.
kavrel::com::HREPLOBJ ToHandle(ReplHandle* handle);
ReplHandle* FromHandle(kavrel::com::HREPLOBJ handle);
// The folder or item behind a handle; nullptr for none or for a handle of another type.
FolderHandle* AsFolder(kavrel::com::HREPLOBJ handle);
ItemHandle* AsItem(kavrel::com::HREPLOBJ handle);

// The byte form's length, and the bytes when `out` is given (room for that length).
std::uint32_t HandleToBytes(const ReplHandle& handle, std::uint8_t* out);
// A handle from its byte form, read only as far as `size` goes (a name without its
// terminator ends at the field's end; missing bytes read as zero). A folder gets the
// object type that `findFolder` gives for its name; nullptr when there is none, for
// other types and for fewer than 4 bytes.
ReplHandle* HandleFromBytes(const std::uint8_t* bytes, std::size_t size,
                            const std::function<SyncFolder*(const char* name)>& findFolder);

}  // namespace kavrelasp

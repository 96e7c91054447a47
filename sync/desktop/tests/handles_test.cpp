#include "handles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "kavrel/little_endian.h"
#include "sync_folder.h"

namespace kavrelasp {
namespace {

TEST(HandleBytes, FolderAndItemFormsRoundTrip) {
  SyncFolder folder(nullptr);
  auto find = [&](const char* name) { return std::strcmp(name, "KavrelASP") == 0 ? &folder : nullptr; };

  FolderHandle f;
  f.SetName("KavrelASP");
  f.folder = &folder;
  ASSERT_EQ(HandleToBytes(f, nullptr), 264u);
  std::vector<std::uint8_t> bytes(264);
  EXPECT_EQ(HandleToBytes(f, bytes.data()), 264u);
  EXPECT_EQ(kavrel::ReadU32(bytes.data(), 0), 1u);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + 4), "KavrelASP");
  std::unique_ptr<ReplHandle> back(HandleFromBytes(bytes.data(), bytes.size(), find));
  ASSERT_TRUE(back && back->type == kFolderType);
  EXPECT_STREQ(back->name, "KavrelASP");
  EXPECT_EQ(static_cast<FolderHandle*>(back.get())->folder, &folder);

  ItemHandle i;
  i.SetName("item");
  i.stamp = {0x11223344, 0x55667788};
  ASSERT_EQ(HandleToBytes(i, nullptr), 272u);
  bytes.assign(272, 0xEE);
  EXPECT_EQ(HandleToBytes(i, bytes.data()), 272u);
  EXPECT_EQ(kavrel::ReadU32(bytes.data(), 264), 0x11223344u);
  EXPECT_EQ(kavrel::ReadU32(bytes.data(), 268), 0x55667788u);
  back.reset(HandleFromBytes(bytes.data(), bytes.size(), find));
  ASSERT_TRUE(back && back->type == kItemType);
  EXPECT_STREQ(back->name, "item");
  EXPECT_EQ(static_cast<ItemHandle*>(back.get())->stamp.dwHighDateTime, 0x55667788u);

  // A folder of a type the store does not have, other types and short forms: no handle.
  f.SetName("Contacts");
  HandleToBytes(f, bytes.data());
  EXPECT_EQ(HandleFromBytes(bytes.data(), 264, find), nullptr);
  kavrel::WriteU32(bytes.data(), 0, 3);
  EXPECT_EQ(HandleFromBytes(bytes.data(), 272, find), nullptr);
  EXPECT_EQ(HandleFromBytes(bytes.data(), 3, find), nullptr);
  EXPECT_EQ(HandleFromBytes(nullptr, 272, find), nullptr);
  ReplHandle other(7);
  EXPECT_EQ(HandleToBytes(other, nullptr), 4u);
}

// Forms given back short or without a terminator are read only as far as they go.
TEST(HandleBytes, ShortAndUnterminatedFormsStayInsideTheirBytes) {
  SyncFolder folder(nullptr);
  auto find = [&](const char* name) { return std::strcmp(name, "KavrelASP") == 0 ? &folder : nullptr; };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::uint32_t type;
    std::string name;
    std::uint32_t low;
  };
  auto form = [](std::uint32_t type, const std::string& name, std::size_t size) {
    std::vector<std::uint8_t> b(size, 0);
    kavrel::WriteU32(b.data(), 0, type);
    std::memcpy(b.data() + 4, name.data(), std::min(name.size(), size - 4));
    return b;
  };
  std::vector<std::uint8_t> fullItem = form(2, std::string(260, 'x'), 272);
  kavrel::WriteU32(fullItem.data(), 264, 42);
  const Case cases[] = {
      {"folder name cut short by the length", form(1, "KavrelASPxyz", 13), 1, "KavrelASP", 0},
      {"item with its name only", form(2, "abc", 7), 2, "abc", 0},
      {"item name of 260 bytes without a terminator", fullItem, 2, std::string(259, 'x'), 42},
      {"item without its high word", std::vector<std::uint8_t>(fullItem.begin(), fullItem.end() - 4), 2,
       std::string(259, 'x'), 42},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // A copy of exactly the given length, so that the sanitizer sees any read past it.
    auto exact = std::make_unique<std::uint8_t[]>(c.bytes.size());
    std::memcpy(exact.get(), c.bytes.data(), c.bytes.size());
    std::unique_ptr<ReplHandle> h(HandleFromBytes(exact.get(), c.bytes.size(), find));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->type, c.type);
    EXPECT_EQ(std::string(h->name), c.name);
    if (c.type == kItemType) {
      EXPECT_EQ(static_cast<ItemHandle*>(h.get())->stamp.dwLowDateTime, c.low);
    }
  }
}

}  // namespace
}  // namespace kavrelasp

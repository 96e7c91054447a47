// Counts the open connections of each peer address of one service, so that a single
// address (one client, or one translating router) cannot take every connection the
// service has while others wait.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include <asio.hpp>

namespace kavreld {

// What a service takes from one peer address when no option says otherwise.
constexpr std::size_t kDefaultConnectionsPerAddress = 32;

class AddressLimit : public std::enable_shared_from_this<AddressLimit> {
 public:
  // One connection's place; given back when the slot is destroyed (whichever of the
  // limit and the slot goes first).
  class Slot {
   public:
    Slot() = default;
    Slot(Slot&& other) noexcept : owner_(std::move(other.owner_)), address_(other.address_) {}
    Slot& operator=(Slot&& other) noexcept {
      if (this != &other) {
        Release();
        owner_ = std::move(other.owner_);
        address_ = other.address_;
      }
      return *this;
    }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    ~Slot() { Release(); }

   private:
    friend class AddressLimit;
    Slot(std::weak_ptr<AddressLimit> owner, asio::ip::address address)
        : owner_(std::move(owner)), address_(address) {}
    void Release() {
      if (auto owner = owner_.lock()) owner->Give(address_);
      owner_.reset();
    }
    std::weak_ptr<AddressLimit> owner_;
    asio::ip::address address_;
  };

  static std::shared_ptr<AddressLimit> Create(std::size_t perAddress) {
    return std::shared_ptr<AddressLimit>(new AddressLimit(perAddress));
  }

  // A place for one more connection from `address`; nothing when it holds its share.
  std::optional<Slot> Take(const asio::ip::address& address) {
    std::size_t& n = counts_[address];
    if (n >= perAddress_) return std::nullopt;
    ++n;
    return Slot(weak_from_this(), address);
  }

  std::size_t Count(const asio::ip::address& address) const {
    auto it = counts_.find(address);
    return it == counts_.end() ? 0 : it->second;
  }
  std::size_t perAddress() const { return perAddress_; }

 private:
  explicit AddressLimit(std::size_t perAddress) : perAddress_(perAddress) {}
  void Give(const asio::ip::address& address) {
    auto it = counts_.find(address);
    if (it == counts_.end()) return;
    if (--it->second == 0) counts_.erase(it);
  }

  std::size_t perAddress_;
  std::map<asio::ip::address, std::size_t> counts_;
};

}  // namespace kavreld

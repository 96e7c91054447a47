// One installer at a time for a user: a lock file in the user's runtime directory.
#pragma once

namespace setup {

class InstanceLock {
 public:
  // Takes the lock without waiting.
  InstanceLock();
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  // True when another installer of this user holds the lock. (Without a runtime
  // directory there is no lock to take, and the installer runs.)
  bool heldElsewhere() const { return heldElsewhere_; }

 private:
  int fd_ = -1;
  bool heldElsewhere_ = false;
};

}  // namespace setup

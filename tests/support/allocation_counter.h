// Counts the program's operator new calls while a counter exists.
#pragma once

namespace ember::test {

class AllocationCounter {
 public:
  AllocationCounter();
  ~AllocationCounter();
  unsigned long Count() const;
};

}  // namespace ember::test

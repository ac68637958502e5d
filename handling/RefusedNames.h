#pragma once

#include <cstddef>
#include <deque>
#include <set>
#include <string>
#include <vector>

namespace korvane {

// Keys or addresses refused in this run, at most `capacity` of them: a newly refused one beyond
// that makes the oldest refusal forgotten, so that a flood of new keys, each refused, costs a
// bounded memory. Not thread-safe: DeviceApproval keeps it under its lock.
class RefusedNames {
  public:
    explicit RefusedNames(std::size_t capacity) : mCapacity(capacity) {}

    void add(const std::string& name);
    // True when it was refused.
    bool remove(const std::string& name);
    bool contains(const std::string& name) const { return mNames.count(name) != 0; }
    // Oldest refusal first.
    std::vector<std::string> list() const { return {mOrder.begin(), mOrder.end()}; }

  private:
    std::size_t mCapacity;
    std::set<std::string> mNames;
    std::deque<std::string> mOrder;  // the names of mNames, oldest refusal first
};

}  // namespace korvane

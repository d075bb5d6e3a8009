// runtime/object_table.h - numbered object tables: the way every library keeps the
// objects it manages for the program (sounds, windows).
//
// A caller names an object by a number of its own (0 upward, a "numbered slot"), or
// passes -1 to get a new dynamic object and receives its number. Dynamic numbers are
// handed out from a counter in [kFirstDynamicNumber, INT32_MAX]; numbered slots are
// refused from kFirstDynamicNumber upward, so the two ranges never meet. A dynamic
// number is never 0 or -1 and never reused while the program runs.
//
// Object requirements: default-constructible (the zero state) and assignable, with
// `bool IsLive() const` - false for an object whose owner has not filled it in yet,
// which counts as absent.
//
// Threads: a table has no lock of its own; its owner keeps its use exclusive.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <vector>

inline constexpr int32_t kNewObject = -1;
inline constexpr int32_t kFirstDynamicNumber = 0x40000000;

template <typename Object>
class ObjectTable {
 public:
  // The owner's step that frees one object's resources and zeroes it.
  using ReleaseObject = std::function<void(int32_t number)>;

  ObjectTable(int32_t growStep, ReleaseObject releaseObject)
      : growStep_(growStep), releaseObject_(std::move(releaseObject)) {
    slots_.resize(static_cast<size_t>(growStep_));
  }

  // A zeroed object for `number` (kNewObject for a new dynamic one) with its number
  // in `assigned`, or nullptr when the number is unusable or memory runs out. An
  // existing numbered object is released first and handed back zeroed.
  Object* ObjectAllocate(int32_t number, int32_t& assigned) {
    if (number == kNewObject) return AllocateDynamic(assigned);
    if (number < 0 || number >= kFirstDynamicNumber) return nullptr;
    if (number >= capacity()) slots_.resize(static_cast<size_t>(number) + growStep_);
    auto& slot = slots_[static_cast<size_t>(number)];
    if (slot) {
      if (releaseObject_) releaseObject_(number);
      *slot = Object{};
    } else {
      slot.reset(new (std::nothrow) Object{});
      if (!slot) return nullptr;
    }
    assigned = number;
    return slot.get();
  }

  // The live object named `number`, or nullptr. Unlike the address-based original,
  // an unknown dynamic number is simply absent here, so Get is as safe as Find.
  Object* ObjectGet(int32_t number) const { return ObjectFind(number); }

  Object* ObjectFind(int32_t number) const {
    Object* object = nullptr;
    if (number >= 0 && number < capacity()) {
      object = slots_[static_cast<size_t>(number)].get();
    } else if (auto found = dynamic_.find(number); found != dynamic_.end()) {
      object = found->second.get();
    }
    return object != nullptr && object->IsLive() ? object : nullptr;
  }

  // Zeroes a numbered object in place (its memory stays for reuse); releases a
  // dynamic one.
  void ObjectFree(int32_t number) {
    if (number >= 0 && number < capacity()) {
      if (auto& slot = slots_[static_cast<size_t>(number)]) *slot = Object{};
      return;
    }
    dynamic_.erase(number);
  }

  // Calls the release step for every live object: numbered slots in ascending
  // order, then dynamic objects oldest first. Nothing happens without a step.
  void ObjectFreeAll() {
    if (!releaseObject_) return;
    for (int32_t number = 0; number < capacity(); ++number) {
      if (ObjectFind(number) != nullptr) releaseObject_(number);
    }
    std::vector<int32_t> numbers;  // the release step may free entries as we go
    for (const auto& [number, object] : dynamic_) numbers.push_back(number);
    for (int32_t number : numbers) {
      if (ObjectFind(number) != nullptr) releaseObject_(number);
    }
  }

  // Every live object's number in ObjectFreeAll's order.
  std::vector<int32_t> LiveNumbers() const {
    std::vector<int32_t> numbers;
    for (int32_t number = 0; number < capacity(); ++number) {
      if (ObjectFind(number) != nullptr) numbers.push_back(number);
    }
    for (const auto& [number, object] : dynamic_) {
      if (object->IsLive()) numbers.push_back(number);
    }
    return numbers;
  }

  int32_t capacity() const { return static_cast<int32_t>(slots_.size()); }
  int32_t growStep() const { return growStep_; }

 private:
  Object* AllocateDynamic(int32_t& assigned) {
    if (nextDynamic_ < kFirstDynamicNumber) return nullptr;  // counter exhausted
    std::unique_ptr<Object> object(new (std::nothrow) Object{});
    if (!object) return nullptr;
    assigned = nextDynamic_;
    nextDynamic_ = nextDynamic_ == INT32_MAX ? 0 : nextDynamic_ + 1;
    Object* raw = object.get();
    dynamic_.emplace(assigned, std::move(object));
    return raw;
  }

  int32_t growStep_;
  ReleaseObject releaseObject_;
  std::vector<std::unique_ptr<Object>> slots_;
  // Keyed by number; numbers rise with creation, so map order is creation order.
  std::map<int32_t, std::unique_ptr<Object>> dynamic_;
  int32_t nextDynamic_ = kFirstDynamicNumber;
};

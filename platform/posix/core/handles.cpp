#include "handles.h"

#include <mutex>
#include <unordered_map>

namespace vp::handles {
namespace {

struct Table {
  std::mutex lock;
  std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> objects;
  std::uintptr_t next = 0x100;  // multiples of 4, as Windows hands them out
};

Table& TheTable() {
  static Table* table = new Table;  // never destroyed: handles may be closed during exit
  return *table;
}

}  // namespace

HANDLE Insert(std::shared_ptr<Object> object) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  std::uintptr_t value = t.next;
  t.next += 4;
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<Object> Lookup(HANDLE handle) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

bool Remove(HANDLE handle) {
  std::shared_ptr<Object> doomed;  // destroyed outside the lock
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == t.objects.end()) return false;
  doomed = std::move(it->second);
  t.objects.erase(it);
  return true;
}

}  // namespace vp::handles

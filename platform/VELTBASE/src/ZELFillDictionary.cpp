#include "ZELFillDictionary.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One registered name; it lives as long as the process.
struct Entry {
  std::string name;
  size_t hash;
  std::atomic<ZELFactory> factory;
};

// An open-addressing table of entries, at most half full. Lookups read it
// without the lock: a slot is published once, filled, and never changes.
struct Table {
  explicit Table(size_t size) : mask(size - 1), slots(new std::atomic<Entry*>[size]) {
    for (size_t i = 0; i < size; ++i) slots[i].store(nullptr, std::memory_order_relaxed);
  }
  Entry* Find(std::string_view name, size_t hash) const {
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      Entry* e = slots[i].load(std::memory_order_acquire);
      if (!e || (e->hash == hash && e->name == name)) return e;
    }
  }
  void Put(Entry* e) {
    size_t i = e->hash & mask;
    while (slots[i].load(std::memory_order_relaxed)) i = (i + 1) & mask;
    slots[i].store(e, std::memory_order_release);
  }

  const size_t mask;
  const std::unique_ptr<std::atomic<Entry*>[]> slots;
};

struct Dictionary {
  std::mutex lock;                             // serialises registrations
  std::deque<Entry> entries;                   // in registration order
  std::vector<std::unique_ptr<Table>> tables;  // the last one is current; older ones stay for readers still in them
  std::atomic<const Table*> current{nullptr};
};

Dictionary& TheDictionary() {
  static Dictionary* dictionary = new Dictionary;  // Registrations outlive static destructors.
  return *dictionary;
}

uint64_t Word(const char* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// A hash of the name read eight bytes at a time (class names are short).
size_t HashOf(std::string_view name) {
  const uint64_t k = 0x9E3779B97F4A7C15ull;
  uint64_t h = name.size() * k;
  auto mix = [&](uint64_t word) {
    h = (h ^ word) * k;
    h ^= h >> 29;
  };
  size_t i = 0;
  for (; i + 8 <= name.size(); i += 8) mix(Word(name.data() + i));
  if (i < name.size()) {
    if (name.size() >= 8) {
      mix(Word(name.data() + name.size() - 8));  // the last eight bytes
    } else {
      uint64_t tail = 0;
      for (; i < name.size(); ++i) tail = (tail << 8) | static_cast<unsigned char>(name[i]);
      mix(tail);
    }
  }
  return static_cast<size_t>(h ^ (h >> 32));
}

}  // namespace

ZELFillDictionary::ZELFillDictionary(const char* className, ZELFactory factory) {
  if (!className) return;
  Dictionary& d = TheDictionary();
  std::lock_guard<std::mutex> guard(d.lock);
  const std::string_view name(className);
  const size_t hash = HashOf(name);
  const Table* table = d.current.load(std::memory_order_relaxed);
  if (table) {
    if (Entry* found = table->Find(name, hash)) {
      found->factory.store(factory, std::memory_order_release);
      return;
    }
  }
  Entry& e = d.entries.emplace_back();
  e.name = name;
  e.hash = hash;
  e.factory.store(factory, std::memory_order_relaxed);
  if (!table || 2 * d.entries.size() > table->mask + 1) {
    auto grown = std::make_unique<Table>(table ? 2 * (table->mask + 1) : 64);
    for (Entry& each : d.entries) grown->Put(&each);
    d.current.store(grown.get(), std::memory_order_release);
    d.tables.push_back(std::move(grown));
  } else {
    d.tables.back()->Put(&e);
  }
}

ZELFactory ZELFindFactory(const char* className) {
  if (!className) return nullptr;
  const Table* table = TheDictionary().current.load(std::memory_order_acquire);
  if (!table) return nullptr;
  const std::string_view name(className);
  Entry* e = table->Find(name, HashOf(name));
  return e ? e->factory.load(std::memory_order_acquire) : nullptr;
}

ZELBaseUnknown* ZELCreateFromDictionary(const char* className) {
  ZELFactory factory = ZELFindFactory(className);
  return factory ? factory() : nullptr;
}

int ZELDictionarySize() {
  Dictionary& d = TheDictionary();
  std::lock_guard<std::mutex> guard(d.lock);
  return static_cast<int>(d.entries.size());
}

const char* ZELDictionaryClassName(int index) {
  Dictionary& d = TheDictionary();
  std::lock_guard<std::mutex> guard(d.lock);
  if (index < 0 || static_cast<size_t>(index) >= d.entries.size()) return nullptr;
  return d.entries[static_cast<size_t>(index)].name.c_str();
}

// The undo stores: a circular store of elements (bytes of the sample image, or label records) and
// a ring of 32 entry slots, each naming where a saved range came from and where its elements
// start in the store. One slot always stays free to tell a full ring from an empty one, so at most
// 31 entries are kept. Saving drops the oldest entries until the new range fits.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <utility>

namespace qv {

inline constexpr int undoEntrySlots = 32;

template <class Element> class UndoRing {
  public:
    struct Entry {
        std::int64_t origin = 0; // where the range was taken from (byte offset, or 0 for labels)
        std::size_t start = 0; // first element in the store
        std::size_t length = 0; // number of elements
    };

    UndoRing() = default;
    UndoRing(std::unique_ptr<Element[]> store, std::size_t capacity)
        : store_(std::move(store)), capacity_(store_ ? capacity : 0) {}

    std::size_t capacity() const { return capacity_; }
    bool empty() const { return count_ == 0; }
    int size() const { return count_; }
    void clear() {
        count_ = 0;
        used_ = 0;
    }

    // Appends a copy of the range; false (and nothing kept) when it is larger than the store.
    bool save(std::int64_t origin, std::span<const Element> range) {
        if (capacity_ == 0 || range.size() > capacity_) {
            clear();
            return false;
        }
        while (count_ > 0 && (count_ >= undoEntrySlots - 1 || capacity_ - used_ < range.size())) dropOldest();
        std::size_t start = head_;
        copyIn(start, range);
        entries_[(first_ + count_) % undoEntrySlots] = Entry{origin, start, range.size()};
        ++count_;
        used_ += range.size();
        head_ = (start + range.size()) % capacity_;
        return true;
    }

    // The newest entry; copyOut copies its elements to a destination of entry.length elements.
    bool newest(Entry& entry) const {
        if (count_ == 0) return false;
        entry = entries_[(first_ + count_ - 1) % undoEntrySlots];
        return true;
    }
    void copyOut(const Entry& entry, Element* destination) const {
        std::size_t firstPart = std::min(entry.length, capacity_ - entry.start);
        std::memcpy(destination, store_.get() + entry.start, firstPart * sizeof(Element));
        std::memcpy(destination + firstPart, store_.get(), (entry.length - firstPart) * sizeof(Element));
    }
    void dropNewest() {
        if (count_ == 0) return;
        const Entry& e = entries_[(first_ + count_ - 1) % undoEntrySlots];
        used_ -= e.length;
        head_ = e.start;
        --count_;
    }

  private:
    void dropOldest() {
        used_ -= entries_[first_].length;
        first_ = (first_ + 1) % undoEntrySlots;
        --count_;
    }
    void copyIn(std::size_t start, std::span<const Element> range) {
        std::size_t firstPart = std::min(range.size(), capacity_ - start);
        std::memcpy(store_.get() + start, range.data(), firstPart * sizeof(Element));
        std::memcpy(store_.get(), range.data() + firstPart, (range.size() - firstPart) * sizeof(Element));
    }

    std::unique_ptr<Element[]> store_;
    std::size_t capacity_ = 0;
    std::array<Entry, undoEntrySlots> entries_{};
    int first_ = 0;
    int count_ = 0;
    std::size_t used_ = 0; // elements held by live entries: contiguous, ending at head_
    std::size_t head_ = 0; // where the next range goes
};

} // namespace qv

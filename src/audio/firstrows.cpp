#include "audio/firstrows.h"

#include <functional>

#include "audio/queuerows.h"

namespace tunedeck {

namespace {
constexpr std::size_t kFirstSlots = 64;
}  // namespace

// The rows hash a path from its pieces the same way (QueueRows::pathhash).
uint32_t FirstRows::hashof(std::string_view path) {
    return static_cast<uint32_t>(QueueRows::hash(path));
}

std::size_t FirstRows::slotof(const Rows& rows, std::string_view path, uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.row < 0) return at;
        if (slot.hash == hash && rows.haspath(static_cast<std::size_t>(slot.row), path)) return at;
    }
}

std::size_t FirstRows::slotofrow(const Rows& rows, int row, uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.row < 0) return at;
        if (slot.hash == hash &&
            rows.samepath(static_cast<std::size_t>(slot.row), static_cast<std::size_t>(row)))
            return at;
    }
}

int FirstRows::find(const Rows& rows, std::string_view path) const {
    if (count_ == 0) return -1;
    return slots_[slotof(rows, path, hashof(path))].row;
}

void FirstRows::lower(const Rows& rows, int row) {
    if (4 * (count_ + 1) > 3 * slots_.size()) grow();
    const auto hash = static_cast<uint32_t>(rows.pathhash(static_cast<std::size_t>(row)));
    Slot& slot = slots_[slotofrow(rows, row, hash)];
    if (slot.row < 0) {
        slot = {hash, row};
        ++count_;
    } else if (slot.row > row) {
        slot.row = row;
    }
}

void FirstRows::remove(const Rows& rows, std::string_view path) {
    if (count_ == 0) return;
    const std::size_t at = slotof(rows, path, hashof(path));
    if (slots_[at].row >= 0) erase(at);
}

void FirstRows::shiftup(int row) {
    for (Slot& slot : slots_)
        if (slot.row > row) --slot.row;
}

void FirstRows::clear() {
    slots_ = {};
    count_ = 0;
}

void FirstRows::reserve(std::size_t count) {
    while (4 * count > 3 * slots_.size()) grow();
}

// Doubles the table, placing each record again by the hash kept in its slot (no path is read).
void FirstRows::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? kFirstSlots : 2 * old.size(), Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.row < 0) continue;
        std::size_t at = slot.hash & mask;
        while (slots_[at].row >= 0) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

// Empties slot `at` and moves later slots of the same run back into the gap where their home
// allows, so that every record stays reachable from its home without tombstones.
void FirstRows::erase(std::size_t at) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t gap = at;
    for (std::size_t next = (gap + 1) & mask; slots_[next].row >= 0; next = (next + 1) & mask) {
        const std::size_t home = slots_[next].hash & mask;
        // The record at `next` may fill the gap when its home is not cyclically in (gap, next].
        const bool between =
            gap <= next ? (home > gap && home <= next) : (home > gap || home <= next);
        if (between) continue;
        slots_[gap] = slots_[next];
        gap = next;
    }
    slots_[gap] = Slot{};
    --count_;
}

}  // namespace tunedeck

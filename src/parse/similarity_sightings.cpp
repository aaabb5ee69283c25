#include "parse/similarity_sightings.h"

#include <algorithm>
#include <utility>

#include "messages/messages.h"
#include "model/arena.h"
#include "model/xob_node.h"

namespace {

const newest_sighting& newer(const newest_sighting& a, const newest_sighting& b) {
    return a.order >= b.order ? a : b;
}

// A local at depth 1 or less: one that every local of its function sees.
bool is_shallow(const newest_sighting& local) {
    return place_of(local.node(), nullptr).depth <= 1;
}

std::uint64_t function_key(std::uint32_t name_number, const xob_node* function) {
    return static_cast<std::uint64_t>(name_number) << 32 | arena_number(function);
}

}  // namespace

xob_node* newest_sighting::node() const { return static_cast<xob_node*>(arena_record(entry)); }

template <class Value>
const Value* sighting_slots<Value>::find(std::uint64_t key) const {
    if (slots_.empty()) return nullptr;
    for (std::size_t at = home(key);; at = (at + 1) & (slots_.size() - 1)) {
        if (slots_[at].key == key) return &slots_[at].value;
        if (!slots_[at].key) return nullptr;
    }
}

template <class Value>
Value& sighting_slots<Value>::at(std::uint64_t key) {
    // Up to three quarters full: linear probes stay short.
    if ((count_ + 1) * 4 > slots_.size() * 3) grow();
    std::size_t at = home(key);
    while (slots_[at].key && slots_[at].key != key) at = (at + 1) & (slots_.size() - 1);
    if (!slots_[at].key) {
        slots_[at].key = key;
        ++count_;
    }
    return slots_[at].value;
}

template <class Value>
void sighting_slots<Value>::clear() {
    if (!count_) return;
    if (slots_.size() > 64 && count_ * 8 < slots_.size()) {
        std::vector<slot>().swap(slots_);
    } else {
        std::fill(slots_.begin(), slots_.end(), slot{});
    }
    count_ = 0;
}

template <class Value>
void sighting_slots<Value>::grow() {
    std::vector<slot> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(64, 2 * old.size()), slot{});
    for (const slot& kept : old) {
        if (!kept.key) continue;
        std::size_t at = home(kept.key);
        while (slots_[at].key) at = (at + 1) & (slots_.size() - 1);
        slots_[at] = kept;
    }
}

const sighting_index::of_unit* sighting_index::in_unit(std::uint32_t name_number,
                                                       const xob_node* unit) const {
    return unit == unit_being_ ? unit_.find(name_number) : nullptr;
}

bool sighting_index::add(std::uint32_t name_number, name_sightings& kept, const name_place& place,
                         xob_node* entry) {
    if (place.unit != unit_being_) {
        unit_.clear();
        unit_being_ = place.unit;
    }
    of_unit& here = unit_.at(name_number);
    // The name's newest sighting, if it is of this unit, is one of the unit's
    // two (both empty for a name the unit has not read yet).
    if (newer(here.file_level, here.local).entry == arena_number(entry)) return false;
    if (last_order_ == UINT32_MAX)
        fatal("Fatal Error", "Too many identifiers for the similarity checks", "");
    const newest_sighting sighting{++last_order_, arena_number(entry)};
    if (place.function) {
        here.local = sighting;
        std::uint32_t function = arena_number(place.function);
        if (!kept.function) kept.function = function;
        if (kept.function == function) {
            if (place.depth > 1 && kept.local.order && is_shallow(kept.local))
                functions_.at(function_key(name_number, place.function)).shallow = kept.local;
            kept.local = sighting;
            return true;
        }
        of_function& there = functions_.at(function_key(name_number, place.function));
        there.any = sighting;
        if (place.depth <= 1) there.shallow = sighting;
        return true;
    }
    here.file_level = sighting;
    if (place.external) kept.external = sighting;
    return true;
}

newest_sighting sighting_index::newest_visible(std::uint32_t name_number,
                                               const name_sightings& kept,
                                               const name_place& here) const {
    newest_sighting best;
    const of_unit* unit = in_unit(name_number, here.unit);
    if (unit) best = unit->file_level;
    if (here.function) {
        // Two locals of one function, when one of them is at depth 1 or less.
        if (kept.function && kept.function == arena_number(here.function)) {
            if (here.depth <= 1 || is_shallow(kept.local)) return newer(best, kept.local);
            if (const of_function* there = functions_.find(function_key(name_number, here.function)))
                best = newer(best, there->shallow);
            return best;
        }
        if (const of_function* there = functions_.find(function_key(name_number, here.function)))
            best = newer(best, here.depth <= 1 ? there->any : there->shallow);
        return best;
    }
    if (unit) best = newer(best, unit->local);
    if (here.external) best = newer(best, kept.external);
    return best;
}


#include "parse/similarity_visible.h"

#include <functional>
#include <utility>

#include "model/arena.h"
#include "model/name_place.h"
#include "model/xob_node.h"

std::size_t visible_similarity::pair_hash::operator()(const pair_in_scope& pair) const {
    std::hash<const void*> of;
    std::size_t hash = of(std::get<0>(pair));
    hash = hash * 0x9E3779B97F4A7C15ull ^ of(std::get<1>(pair));
    return hash * 0x9E3779B97F4A7C15ull ^ of(std::get<2>(pair));
}

void visible_similarity::join(visible_key_group& group, std::uint32_t note) {
    auto* member = static_cast<visible_member*>(arena_alloc(sizeof(visible_member)));
    member->note = note;
    member->next = group.members;
    group.members = arena_number(member);
}

xob_node* visible_similarity::pair_for(int table, const visible_key_group& group,
                                       std::uint32_t note, xob_node* entry,
                                       const name_place& here) {
    newest_sighting best;
    for (std::uint32_t at = group.members; at;) {
        const auto* member = static_cast<const visible_member*>(arena_record(at));
        at = member->next;
        // A name entered again (declared, then defined) is not confusable with itself.
        if (member->note == note) continue;
        const auto* other = static_cast<const visible_name_note*>(arena_record(member->note));
        newest_sighting seen = sightings_.newest_visible(member->note, other->sightings, here);
        if (seen.order > best.order) best = seen;
    }
    if (!best.order) return nullptr;
    xob_node* partner = best.node();
    // Where the partner is does not depend on the unit that read it.
    const name_place there = place_of(partner, nullptr);
    const xob_node* scope = here.function    ? here.function
                            : there.function ? there.function
                            : here.external && there.external ? nullptr
                                                              : here.unit;
    const name* first = entry->name;
    const name* second = partner->name;
    if (std::less<const name*>()(second, first)) std::swap(first, second);
    // insert, unlike emplace, makes no node for a pair found again: most
    // pairs are, once for each unit that reads the header again.
    return paired_[table].insert(std::make_tuple(first, second, scope)).second ? partner : nullptr;
}

void visible_similarity::keep(visible_name_note& note, xob_node* entry, const name_place& here) {
    sightings_.add(arena_number(&note), note.sightings, here, entry);
}

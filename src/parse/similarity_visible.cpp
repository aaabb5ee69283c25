#include "parse/similarity_visible.h"

#include <functional>
#include <utility>

#include "model/name_place.h"
#include "model/xob_node.h"

xob_node* visible_similarity::pair_for(const char* key, std::size_t key_length, xob_node* entry,
                                       const xob_node* unit) {
    std::vector<sightings_of_name>& names = keys_[std::string(key, key_length)];
    const name_place here = place_of(entry, unit);
    const sighting* best = nullptr;
    sightings_of_name* own = nullptr;
    for (sightings_of_name& other : names) {
        // A name entered again (declared, then defined) is not confusable with itself.
        if (other.identifier == entry->name) {
            own = &other;
            continue;
        }
        for (auto seen = other.seen.rbegin(); seen != other.seen.rend(); ++seen) {
            if (best && seen->order < best->order) break;
            if (one_scope_sees(here, place_of(seen->entry, seen->unit))) {
                best = &*seen;
                break;
            }
        }
    }
    xob_node* partner = best ? best->entry : nullptr;
    const xob_node* scope = nullptr;
    if (best) {
        const name_place there = place_of(best->entry, best->unit);
        scope = here.function    ? here.function
                : there.function ? there.function
                : here.external && there.external ? nullptr
                                                  : here.unit;
    }
    if (!own) {
        names.push_back({entry->name, {}});
        own = &names.back();
    }
    if (own->seen.empty() || own->seen.back().entry != entry || own->seen.back().unit != unit)
        own->seen.push_back({entry, unit, next_order_++});
    if (!partner) return nullptr;
    const name* first = entry->name;
    const name* second = partner->name;
    if (std::less<const name*>()(second, first)) std::swap(first, second);
    return paired_.emplace(first, second, scope).second ? partner : nullptr;
}

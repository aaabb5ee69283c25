#include "parse/similarity_sightings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/binding.h"
#include "model/name_place.h"
#include "model/name_table.h"
#include "model/xob_node.h"

namespace {

// An entry of the tests: a node of its own, always at the same place but
// for the unit, which is the one reading it.
struct test_entry {
    xob_node* node;
    name_place in(const xob_node* unit) const { return place_of(node, unit); }
};

// The straightforward model the index must agree with: every sighting kept,
// a sighting equal to its name's newest one not kept again, and a query
// scanning all of them.
class sighting_scan {
public:
    bool is_newest(std::uint32_t name_number, const xob_node* entry, const xob_node* unit) const {
        for (auto seen = all_.rbegin(); seen != all_.rend(); ++seen)
            if (seen->name_number == name_number)
                return seen->entry == entry && seen->place.unit == unit;
        return false;
    }
    void add(std::uint32_t name_number, const name_place& place, const xob_node* entry) {
        all_.push_back({name_number, place, entry, static_cast<std::uint32_t>(all_.size() + 1)});
    }
    newest_sighting newest_visible(std::uint32_t name_number, const name_place& here) const {
        for (auto seen = all_.rbegin(); seen != all_.rend(); ++seen)
            if (seen->name_number == name_number && one_scope_sees(here, seen->place))
                return {seen->order, arena_number(seen->entry)};
        return {};
    }

private:
    struct sighting {
        std::uint32_t name_number;
        name_place place;
        const xob_node* entry;
        std::uint32_t order;
    };
    std::vector<sighting> all_;
};

struct sightings_fixture {
    xob_node* units[3] = {new_node(a_source), new_node(a_source), new_node(a_source)};
    xob_node* functions[3] = {new_node(a_function), new_node(a_function), new_node(a_function)};
    std::vector<test_entry> entries;
    sightings_fixture() {
        // File level, static and external; locals of each function at depths 0 to 3.
        entries.push_back({made(a_definition, units[0], 0, static_name())});
        entries.push_back({made(a_definition, units[0], 0, name_intern("extern"))});
        entries.push_back({made(a_function_declaration, units[0], 0, name_intern("extern"))});
        for (xob_node* function : functions)
            for (std::int32_t depth = 0; depth <= 3; ++depth)
                entries.push_back({made(a_definition, function, depth, nullptr)});
    }
    static xob_node* made(std::int32_t kind, xob_node* scope, std::int32_t level, name* storage) {
        xob_node* node = new_node(kind);
        node->scope = scope;
        if (kind != a_function_declaration) node->level = level;
        node->storage = storage;
        return node;
    }
};

// Sightings of several names in every kind of place, read by three units in
// turn (a unit reading again what an earlier one read), each followed by
// queries from every place: the index gives what the scan gives, order and
// entry, and keeps exactly the sightings the scan keeps.
TEST(SightingIndex, AgreesWithAScanOfEverySighting) {
    sightings_fixture fixture;
    sighting_index index;
    sighting_scan scan;
    // Four names, numbered as the caller likes, each with its own record.
    const std::uint32_t names[4] = {1, 7, 8, 1000};
    name_sightings kept[4] = {};
    std::uint32_t random = 12345;
    auto next = [&](std::uint32_t below) {
        random = random * 1103515245u + 12345u;
        return (random >> 16) % below;
    };
    const std::size_t steps = 600;
    for (std::size_t step = 0; step < steps; ++step) {
        const xob_node* unit = fixture.units[step * 3 / steps];
        std::uint32_t which = next(4);
        std::uint32_t name_number = names[which];
        // A name sighted again at once, as a header read again gives it.
        const test_entry& entry = fixture.entries[next(8) == 0 ? 0 : next(
                                                      static_cast<std::uint32_t>(fixture.entries.size()))];
        bool again = scan.is_newest(name_number, entry.node, unit);
        ASSERT_EQ(index.add(name_number, kept[which], entry.in(unit), entry.node), !again) << step;
        if (!again) scan.add(name_number, entry.in(unit), entry.node);
        for (std::uint32_t asked = 0; asked < 4; ++asked)
            for (const test_entry& here : fixture.entries) {
                newest_sighting expected = scan.newest_visible(names[asked], here.in(unit));
                newest_sighting got = index.newest_visible(names[asked], kept[asked], here.in(unit));
                ASSERT_EQ(got.order, expected.order) << step;
                ASSERT_EQ(got.entry, expected.entry) << step;
            }
    }
}

// The cases a scan answers by walking far back, each on a fresh index.
TEST(SightingIndex, FindsOlderSightingsBehindNewerUnseenOnes) {
    sightings_fixture f;
    const xob_node* unit_a = f.units[0];
    const xob_node* unit_b = f.units[1];
    const test_entry& file_static = f.entries[0];
    const test_entry& file_extern = f.entries[1];
    const test_entry& f_param = f.entries[4];   // first function, depth 1
    const test_entry& f_inner = f.entries[6];   // first function, depth 3
    const test_entry& g_param = f.entries[8];   // second function, depth 1
    const test_entry& f_inner2 = f.entries[5];  // first function, depth 2
    struct sighting_case {
        const char* what;
        std::vector<std::pair<const test_entry*, const xob_node*>> seen;  // in order
        const test_entry& here;
        const xob_node* here_unit;
        std::size_t expected;  // 1-based index into `seen`, 0 for none
    } cases[] = {
        {"a parameter behind locals of other functions", {{&f_param, unit_a}, {&g_param, unit_a}},
         f_inner, unit_a, 1},
        {"sibling blocks see nothing of each other", {{&f_inner2, unit_a}}, f_inner, unit_a, 0},
        {"a static of an earlier unit is out of sight", {{&file_static, unit_a}}, file_static,
         unit_b, 0},
        {"an external of an earlier unit behind a static of that unit",
         {{&file_extern, unit_a}, {&file_static, unit_a}}, file_extern, unit_b, 1},
        {"a local of this unit for a file-level name", {{&f_inner, unit_a}}, file_static, unit_a, 1},
        {"the newest of two visible ones", {{&file_static, unit_a}, {&f_param, unit_a}}, f_inner,
         unit_a, 2},
    };
    for (const sighting_case& c : cases) {
        sighting_index index;
        name_sightings kept{};
        for (const auto& seen : c.seen) index.add(1, kept, seen.first->in(seen.second), seen.first->node);
        newest_sighting got = index.newest_visible(1, kept, c.here.in(c.here_unit));
        if (c.expected == 0) {
            EXPECT_EQ(got.order, 0u) << c.what;
            EXPECT_EQ(got.node(), nullptr) << c.what;
        } else {
            EXPECT_EQ(got.order, c.expected) << c.what;
            EXPECT_EQ(got.node(), c.seen[c.expected - 1].first->node) << c.what;
        }
    }
}

}  // namespace

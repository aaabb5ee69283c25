// Tags in table slots that hold addresses: sixteen bits of the key's hash
// in the address's top bits, which user-space addresses leave clear, so
// that a probe passes the slots of other keys without reading what they
// point to. A table that meets an address using those bits turns its tags
// off and places its slots again.
#pragma once
#include <cstdint>

class slot_tags {
public:
    // The tag of a key, from sixteen bits of its hash.
    std::uintptr_t of(std::uint64_t sixteen_bits) const {
        return ((sixteen_bits & 0xFFFF) << SHIFT) & mask_;
    }
    bool matches(std::uintptr_t slot, std::uintptr_t tag) const { return (slot & mask_) == tag; }
    std::uintptr_t address(std::uintptr_t slot) const { return slot & ~mask_; }
    // Whether a slot can hold this address with a tag.
    bool fit(const void* address) const {
        return !(reinterpret_cast<std::uintptr_t>(address) & mask_);
    }
    // Turns the tags off; the bits the slots were tagged with, to place them again.
    std::uintptr_t turn_off() {
        std::uintptr_t old = mask_;
        mask_ = 0;
        return old;
    }
    std::uintptr_t mask() const { return mask_; }

private:
    static constexpr int SHIFT = 48;
    std::uintptr_t mask_ = ~std::uintptr_t{0} << SHIFT;  // the bits that hold tags; 0 when off
};

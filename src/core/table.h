#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <span>

#include "core/errors.h"

namespace rf {

// A table with declared bounds, every index running from 0 to its extent - 1.
// An index outside its bounds is the run-time error "subscript out of range"
// (9), never undefined behaviour. The last dimension is contiguous, so a row
// (all items of one block) is available as a span.
template <typename T, std::size_t... Extents>
class Table {
    static_assert(sizeof...(Extents) > 0);

  public:
    static constexpr std::size_t rank = sizeof...(Extents);
    static constexpr std::array<std::size_t, rank> extents{Extents...};
    static constexpr std::size_t total = (Extents * ...);
    static constexpr std::size_t rowLength = extents[rank - 1];

    Table() : cells_(std::make_unique<T[]>(total)) {}
    Table(const Table& other) : Table() { *this = other; }
    Table& operator=(const Table& other) {
        if (this != &other) std::copy(other.cells_.get(), other.cells_.get() + total, cells_.get());
        return *this;
    }

    template <typename... I>
    T& operator()(I... index) {
        static_assert(sizeof...(I) == rank, "wrong number of indexes");
        return cells_[offset({static_cast<long>(index)...})];
    }
    template <typename... I>
    const T& operator()(I... index) const {
        static_assert(sizeof...(I) == rank, "wrong number of indexes");
        return cells_[offset({static_cast<long>(index)...})];
    }

    // All items of the last dimension at the given leading indexes.
    template <typename... I>
    std::span<T, rowLength> row(I... index) {
        static_assert(sizeof...(I) == rank - 1, "a row takes every index but the last");
        return std::span<T, rowLength>(&cells_[offset({static_cast<long>(index)..., 0L})],
                                       rowLength);
    }
    template <typename... I>
    std::span<const T, rowLength> row(I... index) const {
        static_assert(sizeof...(I) == rank - 1, "a row takes every index but the last");
        return std::span<const T, rowLength>(&cells_[offset({static_cast<long>(index)..., 0L})],
                                             rowLength);
    }

    void fill(const T& value) { std::fill(cells_.get(), cells_.get() + total, value); }
    std::size_t count(const T& value) const {
        return static_cast<std::size_t>(std::count(cells_.get(), cells_.get() + total, value));
    }

    friend bool operator==(const Table& a, const Table& b) {
        return std::equal(a.cells_.get(), a.cells_.get() + total, b.cells_.get());
    }

  private:
    static std::size_t offset(const std::array<long, rank>& index) {
        std::size_t at = 0;
        for (std::size_t d = 0; d < rank; ++d) {
            if (index[d] < 0 || static_cast<std::size_t>(index[d]) >= extents[d])
                Raise(err::SubscriptOutOfRange);
            at = at * extents[d] + static_cast<std::size_t>(index[d]);
        }
        return at;
    }

    // Not a std::vector: a table of bool must hand out real references.
    std::unique_ptr<T[]> cells_;
};

}  // namespace rf

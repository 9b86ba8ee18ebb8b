#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace zeltric::analysis {

inline constexpr int kMatrixOrder = 500;

// 500 x 500 single-precision matrix, row by row, index base 1 (row 1,
// column 1 is the first element). Created zero-filled; the products rely on
// every element outside the block its owner wrote staying zero.
class SquareMatrix {
public:
    SquareMatrix() : data_(std::make_unique<float[]>(kSlots * kSlots)) {}
    SquareMatrix(const SquareMatrix& other) : SquareMatrix() { *this = other; }
    SquareMatrix& operator=(const SquareMatrix& other) {
        if (this != &other) std::copy(other.data_.get(), other.data_.get() + kSlots * kSlots, data_.get());
        return *this;
    }
    SquareMatrix(SquareMatrix&&) noexcept = default;
    SquareMatrix& operator=(SquareMatrix&&) noexcept = default;

    float& operator()(int row, int column) { return data_[index(row, column)]; }
    float operator()(int row, int column) const { return data_[index(row, column)]; }
    float* row(int r) { return &data_[index(r, 0)]; }
    const float* row(int r) const { return &data_[index(r, 0)]; }

    void fillZero() { std::fill(data_.get(), data_.get() + kSlots * kSlots, 0.0f); }

    // Storage has one unused slot 0 in each dimension so that indices are 1-based.
    static constexpr std::size_t kSlots = kMatrixOrder + 1;

private:
    static std::size_t index(int row, int column) {
        return static_cast<std::size_t>(row) * kSlots + static_cast<std::size_t>(column);
    }
    std::unique_ptr<float[]> data_;
};

// 500 single-precision slots, index 1..500.
using RealVector = std::array<float, kMatrixOrder + 1>;
// Slot numbers 1..n in descending order of eigenvalue, index 1..500.
using EigenOrder = std::array<std::uint16_t, kMatrixOrder + 1>;

}  // namespace zeltric::analysis

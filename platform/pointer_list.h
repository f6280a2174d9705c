// PointerList: a growable array of pointers that grows by 8 slots at a time. It does not own
// what its pointers point to; its users release their elements themselves.
#pragma once

#include <cstdint>
#include <memory>

namespace tovik {

template <typename T>
class PointerList {
public:
    PointerList() = default;
    PointerList(PointerList&&) noexcept = default;
    PointerList& operator=(PointerList&&) noexcept = default;

    void add(T* pointer) {
        if (count_ == capacity_) {
            auto grown = std::make_unique<T*[]>(static_cast<std::size_t>(capacity_ + kGrowthStep));
            for (std::int32_t i = 0; i < count_; ++i) {
                grown[i] = items_[i];
            }
            items_ = std::move(grown);
            capacity_ += kGrowthStep;
        }
        items_[count_++] = pointer;
    }

    std::int32_t count() const { return count_; }
    std::int32_t capacity() const { return capacity_; }
    T* at(std::int32_t index) const { return items_[index]; }

    void clear() {
        items_.reset();
        count_ = 0;
        capacity_ = 0;
    }

private:
    static constexpr std::int32_t kGrowthStep = 8;
    std::int32_t capacity_ = 0;
    std::int32_t count_ = 0;
    std::unique_ptr<T*[]> items_;
};

}  // namespace tovik

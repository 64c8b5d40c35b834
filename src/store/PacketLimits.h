#pragma once

#include "platform/Exceptions.h"
#include "store/StoreErrors.h"

#include <cstddef>

namespace quorvel {

// What one load may hold in memory: a fixed allowance plus a small multiple of the file's size. The
// readers charge what they build; a file whose content would need more (a long text carried into
// thousands of versions that leave it out, for instance) fails with StoreErrorCode::TooLarge before that
// memory is taken, instead of exhausting the machine.
class LoadBudget {
public:
    static constexpr std::size_t kBaseBytes = std::size_t{64} << 20;
    static constexpr std::size_t kBytesPerFileByte = 16;

    explicit LoadBudget(std::size_t fileSize) noexcept
        : left_(kBaseBytes + kBytesPerFileByte * fileSize) {}

    // Takes `bytes` from what is left; `offset` is where the reader stands, for the error.
    void Charge(std::size_t bytes, std::size_t offset) {
        if (bytes > left_) RaiseStoreError(StoreErrorCode::TooLarge, static_cast<long long>(offset));
        left_ -= bytes;
    }

private:
    std::size_t left_;
};

} // namespace quorvel

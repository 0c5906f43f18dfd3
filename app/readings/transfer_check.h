// Telling a reading from made-up data: the chip layer hands back whatever its buffer holds
// when the adapter does not complete a transfer, so every caller that shows, logs or
// verifies a word checks that its transfers went through.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "chip/ASens_Digital.h"

namespace app {

/// The sentence of every report of a transfer the adapter did not complete.
inline constexpr const char* kTransferFailed =
    "the adapter did not complete a transfer (unplugged?)";

/// A transfer did not complete. what() is kTransferFailed as a sentence of its own.
class TransferFailure : public std::runtime_error {
  public:
    TransferFailure();
};

/// Watches the chip's failed-transfer count from its construction on.
class TransferWatch {
  public:
    explicit TransferWatch(const chip::TASensDig& chip)
        : chip_(chip), before_(chip.FailedTransfers()) {}
    bool Failed() const { return chip_.FailedTransfers() != before_; }
    /// Throws TransferFailure when a transfer failed since the construction.
    void Check() const {
        if (Failed()) throw TransferFailure();
    }

  private:
    const chip::TASensDig& chip_;
    uint64_t before_;
};

}  // namespace app

#include "app/readings/transfer_check.h"

#include <string>

namespace app {
namespace {

std::string Sentence() {
    std::string text = kTransferFailed;
    text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text + ".";
}

}  // namespace

TransferFailure::TransferFailure() : std::runtime_error(Sentence()) {}

}  // namespace app

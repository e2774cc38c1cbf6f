#include "signature/FileTypeSignature.h"

namespace keldrin {

SignatureContext& GetSignatureContext() {
    // Both live until the process ends: an engine made for a rescan is created before the old one
    // is destroyed, so no engine may own or free the scratch buffer.
    alignas(64) static uint8_t scratch[SignatureContext::kScratchSize];
    static SignatureContext context = [] {
        SignatureContext c;
        c.scratch = scratch;
        return c;
    }();
    return context;
}

}  // namespace keldrin

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "extended/vcf_reader.hpp"

namespace zeltric::extended {

// The browser build has no htslib: VCF and BCF files need the desktop or
// zeltric-cli for now.
ExtendedData ReadVariants(const std::string& path, const ReadOptions&, ReadNotes&) {
    throw base::FatalError(base::variantFileUnreadableMessage(path));
}

}  // namespace zeltric::extended

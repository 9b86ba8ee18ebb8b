#include "extended/allele_outputs.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#if ZELTRIC_HAS_HTSLIB
#include <htslib/bgzf.h>
#endif

#include "base/fatal_error.hpp"
#include "base/number_field.hpp"

namespace zeltric::extended {

namespace {

// Streams text into a temporary file beside the target, plain or
// compressed, and renames it over the target when complete.
class StreamedFile {
public:
    StreamedFile(std::string target, bool compressed)
        : target_(std::move(target)), temporary_(target_ + ".part"), compressed_(compressed) {
#if ZELTRIC_HAS_HTSLIB
        if (compressed_) {
            bgzf_ = bgzf_open(temporary_.c_str(), "w");
            ok_ = bgzf_ != nullptr;
            return;
        }
#else
        compressed_ = false;
#endif
        plain_.open(temporary_, std::ios::binary | std::ios::trunc);
        ok_ = static_cast<bool>(plain_);
    }
    StreamedFile(const StreamedFile&) = delete;
    StreamedFile& operator=(const StreamedFile&) = delete;
    ~StreamedFile() {
        if (!finished_) {
            close();
            std::remove(temporary_.c_str());
        }
    }

    void write(const std::string& text) {
        if (!ok_) return;
#if ZELTRIC_HAS_HTSLIB
        if (compressed_) {
            ok_ = bgzf_write(bgzf_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
            return;
        }
#endif
        plain_.write(text.data(), static_cast<std::streamsize>(text.size()));
        ok_ = static_cast<bool>(plain_);
    }

    // Renames the complete file over the target; raises base::FatalError when
    // any write failed.
    void finish() {
        const bool closed = close();
        std::error_code ec;
        if (ok_ && closed) std::filesystem::rename(temporary_, target_, ec);
        if (!ok_ || !closed || ec) {
            std::remove(temporary_.c_str());
            finished_ = true;
            throw base::FatalError("The file \"" + target_ + "\" could not be written.");
        }
        finished_ = true;
    }

private:
    bool close() {
#if ZELTRIC_HAS_HTSLIB
        if (compressed_) {
            if (bgzf_ == nullptr) return false;
            const bool closed = bgzf_close(bgzf_) == 0;
            bgzf_ = nullptr;
            return closed;
        }
#endif
        if (!plain_.is_open()) return false;
        plain_.close();
        return !plain_.fail();
    }

    std::string target_;
    std::string temporary_;
    bool compressed_;
    bool ok_ = false;
    bool finished_ = false;
    std::ofstream plain_;
#if ZELTRIC_HAS_HTSLIB
    BGZF* bgzf_ = nullptr;
#endif
};

}  // namespace

AlleleOutputFiles WriteAlleleOutputs(const ExtendedData& data, const ExtendedResult& result,
                                     const std::string& base, bool compressed) {
#if !ZELTRIC_HAS_HTSLIB
    compressed = false;
#endif
    const std::string suffix = compressed ? ".gz" : "";
    AlleleOutputFiles files{base + ".fre" + suffix, base + ".al" + suffix};
    StreamedFile frequencies(files.frequencies, compressed);
    StreamedFile coordinates(files.coordinates, compressed);
    const std::size_t axes = result.dimension > 0 ? result.dimension - 1 : 0;
    std::string line;
    ForEachAlleleColumn(data, result, [&](const AlleleColumn& c) {
        line = data.locusNames[c.locus] + " " + data.alleleName(c.locus, c.allele);
        for (const double f : c.frequencies) line += base::realField(f, 6, 3);
        base::endLine(line);
        frequencies.write(line);
        line.clear();
        for (std::size_t k = 0; k < axes; ++k) line += base::realField(c.coordinates[k], 8, 4);
        base::endLine(line);
        coordinates.write(line);
    });
    frequencies.finish();
    coordinates.finish();
    return files;
}

}  // namespace zeltric::extended

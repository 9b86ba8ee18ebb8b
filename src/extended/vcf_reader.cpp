#include "extended/vcf_reader.hpp"

#include <htslib/hts.h>
#include <htslib/kseq.h>
#include <htslib/kstring.h>
#include <htslib/vcf.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "extended/vcf_text_genotypes.hpp"

namespace zeltric::extended {

namespace {

struct HtsFileCloser {
    void operator()(htsFile* f) const { hts_close(f); }
};
struct HeaderFree {
    void operator()(bcf_hdr_t* h) const { bcf_hdr_destroy(h); }
};
struct RecordFree {
    void operator()(bcf1_t* r) const { bcf_destroy(r); }
};
// htslib's genotype buffer, grown by bcf_get_genotypes and freed here.
struct GenotypeBuffer {
    int32_t* values = nullptr;
    int capacity = 0;
    GenotypeBuffer() = default;
    GenotypeBuffer(const GenotypeBuffer&) = delete;
    GenotypeBuffer& operator=(const GenotypeBuffer&) = delete;
    ~GenotypeBuffer() { std::free(values); }
};

// The calls of a BCF record, one for each kept column, through htslib.
void readBinaryGenotypes(const std::string& path, long long number, bcf_hdr_t* header, bcf1_t* rec,
                         GenotypeBuffer& buffer, const std::vector<int>& sampleOf,
                         const std::vector<std::string>& names, std::vector<Genotype>& calls) {
    const int columns = static_cast<int>(names.size());
    const int alleles = rec->n_allele;
    const int got = bcf_get_genotypes(header, rec, &buffer.values, &buffer.capacity);
    if (got <= 0) {
        std::fill(calls.begin(), calls.end(), Genotype{});
        return;
    }
    if (got % columns != 0) throw base::FatalError(base::variantRecordMessage(path, number));
    const int width = got / columns;
    std::size_t out = 0;
    for (int i = 0; i < columns; ++i) {
        if (sampleOf[static_cast<std::size_t>(i)] < 0) continue;
        const int32_t* gt = buffer.values + static_cast<std::ptrdiff_t>(i) * width;
        int copies = 0;
        while (copies < width && gt[copies] != bcf_int32_vector_end) ++copies;
        Genotype& call = calls[out++];
        call = {};
        // A lone "." is the usual missing genotype, whatever the ploidy.
        if (copies == 0 || (copies == 1 && bcf_gt_is_missing(gt[0]))) continue;
        if (copies != 2)
            throw base::FatalError(base::ploidyMessage(path, number, names[static_cast<std::size_t>(i)], copies));
        if (bcf_gt_is_missing(gt[0]) || bcf_gt_is_missing(gt[1])) continue;
        const int a = bcf_gt_allele(gt[0]);
        const int b = bcf_gt_allele(gt[1]);
        if (a < 0 || b < 0 || a >= alleles || b >= alleles)
            throw base::FatalError(base::variantRecordMessage(path, number));
        call = {static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b)};
    }
}

}  // namespace

ExtendedData ReadVariants(const std::string& path, const ReadOptions& options, ReadNotes& notes) {
    // Our messages say what went wrong; htslib's own would repeat it.
    hts_set_log_level(HTS_LOG_OFF);
    std::unique_ptr<htsFile, HtsFileCloser> file(hts_open(path.c_str(), "r"));
    if (!file) throw base::FatalError(base::variantFileUnreadableMessage(path));
    const htsFormat* format = hts_get_format(file.get());
    if (format->format != vcf && format->format != bcf)
        throw base::FatalError(base::variantFileUnreadableMessage(path));
    if (options.threads > 1) hts_set_threads(file.get(), options.threads - 1);
    std::unique_ptr<bcf_hdr_t, HeaderFree> header(bcf_hdr_read(file.get()));
    if (!header) throw base::FatalError(base::variantFileUnreadableMessage(path));

    const int columns = bcf_hdr_nsamples(header.get());
    std::vector<std::string> names;
    for (int i = 0; i < columns; ++i) names.emplace_back(header->samples[i]);
    const SampleAssignment assignment = AssignSamples(path, names, {}, nullptr, options.map);
    notes.insert(notes.end(), assignment.notes.begin(), assignment.notes.end());

    ExtendedData data = AssignedData(assignment, names);
    data.genotypes = GenotypeMatrix(data.individuals());

    std::unique_ptr<bcf1_t, RecordFree> record(bcf_init());
    std::vector<Genotype> calls(data.individuals());
    GenotypeBuffer buffer;
    long long number = 0;
    // Text is read line by line, so that a line of too few or too many
    // columns is refused (htslib's parser would take it), and its genotypes
    // are read here from the GT values alone: htslib parses only the fixed
    // columns (no samples are kept in its header). BCF record by record.
    const bool text = format->format == vcf;
    if (text && columns > 0 && bcf_hdr_set_samples(header.get(), nullptr, 0) != 0)
        throw base::FatalError(base::variantFileUnreadableMessage(path));
    kstring_t line{0, 0, nullptr};
    struct LineFree {
        kstring_t& s;
        ~LineFree() { std::free(s.s); }
    } lineFree{line};
    std::string samplePart;
    auto next = [&]() -> int {
        if (!text) return bcf_read(file.get(), header.get(), record.get());
        const int got = hts_getline(file.get(), KS_SEP_LINE, &line);
        if (got < 0) return got;
        if (line.l > 0 && line.s[line.l - 1] == '\r') line.s[--line.l] = '\0';
        // The FORMAT column and what follows, kept apart from the parser.
        std::size_t tabs = 0, at = 0;
        for (; at < line.l && tabs < 8; ++at) tabs += line.s[at] == '\t' ? 1 : 0;
        if (columns > 0) {
            if (tabs < 8) return -2;
            samplePart.assign(line.s + at, line.l - at);
        } else if (tabs != 7 || std::memchr(line.s + at, '\t', line.l - at) != nullptr) {
            return -2;
        }
        return vcf_parse(&line, header.get(), record.get()) == 0 ? 0 : -2;
    };
    int status = 0;
    while ((status = next()) == 0) {
        ++number;
        bcf1_t* rec = record.get();
        // A contig or tag the header does not declare is added to it by
        // htslib (as bcftools reads such files); any other fault is the record's.
        const int fault = rec->errcode & ~(BCF_ERR_CTG_UNDEF | BCF_ERR_TAG_UNDEF);
        if (fault != 0 || rec->pos < 0 || bcf_unpack(rec, text ? BCF_UN_STR : BCF_UN_STR | BCF_UN_FMT) != 0 ||
            rec->n_allele < 1)
            throw base::FatalError(base::variantRecordMessage(path, number));
        const int alleles = rec->n_allele;
        if (alleles >= Genotype::kMissing)
            throw base::FatalError(base::tooManyAllelesMessage(path, number, alleles));
        if (text && columns > 0) {
            const TextGenotypeFault wrong = ReadTextGenotypes(samplePart, static_cast<std::size_t>(columns),
                                                              assignment.sampleOf, alleles, calls);
            if (wrong.kind == TextGenotypeFault::Kind::Ploidy)
                throw base::FatalError(base::ploidyMessage(path, number, names[wrong.column], wrong.copies));
            if (wrong.kind != TextGenotypeFault::Kind::None)
                throw base::FatalError(base::variantRecordMessage(path, number));
        } else {
            readBinaryGenotypes(path, number, header.get(), rec, buffer, assignment.sampleOf, names, calls);
        }
        std::vector<std::string> alleleNames;
        for (int a = 0; a < alleles; ++a) alleleNames.emplace_back(rec->d.allele[a]);
        std::string id = rec->d.id != nullptr ? rec->d.id : ".";
        if (id == ".") id = std::string(bcf_seqname_safe(header.get(), rec)) + ":" + std::to_string(rec->pos + 1);
        data.genotypes.addLocus(alleles, calls);
        data.addLocusNames(std::move(id), std::move(alleleNames));
        if (options.progress && number % 65536 == 0) options.progress(static_cast<std::size_t>(number));
    }
    if (status < -1) throw base::FatalError(base::variantRecordMessage(path, number + 1));
    if (data.loci() == 0) throw base::FatalError(base::noLocusMessage(path));
    return data;
}

}  // namespace zeltric::extended

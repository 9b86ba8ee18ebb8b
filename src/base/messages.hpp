#pragma once

#include <string>

namespace zeltric::data {

// The messages a user can meet. Lines are separated by LF CR, as the texts
// were defined; a front end may normalise the separator for display only.
inline constexpr const char* kLineBreak = "\n\r";

enum class MessageId {
    Coding,           // header coding not 1 or 2 (information)
    OneSample,        // a single sample (information)
    Capacity,         // np, nl or nu beyond the limits (error)
    Genotype,         // impossible genotype (error)
    MatrixDimension,  // more than 500 allele columns (error)
    TqliNotice,       // eigen-solver iteration notice (information)
    TqliFailure,      // eigen-solver gave up after its hard iteration bound (error)
    SolverInput,      // non-finite value handed to the eigen-solver (error)
    NoAllele,         // no allele present in the analysed data (information)
    NoHeterozygosity, // total heterozygosity 0: every locus monomorphic (information)
    NoInertia,        // total inertia 0: no differentiation among samples (information)
};

std::string codingMessage();
std::string oneSampleMessage();
std::string capacityMessage();
std::string genotypeMessage(int sample, int individual, const std::string& locusName, int locus,
                            long long firstAllele, long long secondAllele);
std::string matrixDimensionMessage();
std::string tqliNotice();
std::string tqliFailureMessage(int eigenvalue, int iterations);
std::string solverInputMessage();
std::string noAlleleMessage();
std::string noHeterozygosityMessage();
std::string noInertiaMessage();

// The text of a message with example arguments; lets a test walk every id.
std::string messageText(MessageId id);

// Maintainer address shown in the capacity message.
inline constexpr const char* kMaintainerAddress = "zeltric-maintainers@users.noreply.example.org";

}  // namespace zeltric::data

#include "base/messages.hpp"

#include <cstdio>
#include <cstdlib>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"

namespace zeltric::data {

std::string codingMessage() {
    return std::string("error in the input file. The 4th number on the first line") + kLineBreak +
           "has to be a 1 or a 2, depending in the way alleles are coded." + kLineBreak +
           "Correct and re-run ZELTRIC";
}

std::string oneSampleMessage() {
    return std::string(" Only one population.  Can not calculate Theta. ") + kLineBreak +
           " Will calculate Fis only. ";
}

std::string capacityMessage() {
    return "Too many populations, loci or alleles. NPMax= " + std::to_string(NPMax) +
           " NLMax= " + std::to_string(NLMax) + " NUMax= " + std::to_string(NUMax) + kLineBreak +
           "needs recompiling with a higher value for NPMax, NLMax or NUMax." + kLineBreak +
           "Contact " + kMaintainerAddress + kLineBreak + "        Exiting...";
}

std::string genotypeMessage(int sample, int individual, const std::string& locusName, int locus,
                            long long firstAllele, long long secondAllele) {
    return std::string("Problem in the data file!!!!") + kLineBreak + "Genotype in sample: " +
           std::to_string(sample) + ", individual: " + std::to_string(individual) + kLineBreak +
           "For locus: " + locusName + "(locus: " + std::to_string(locus) + ")." + kLineBreak +
           "first allele: " + std::to_string(firstAllele) +
           ", second allele: " + std::to_string(secondAllele) + kLineBreak +
           "Correct the data file before rerunning please. Exiting...";
}

std::string matrixDimensionMessage() {
    return "Required matrix dimension too large (<=" + std::to_string(500) + "). Existing.";
}

std::string tqliNotice() { return std::string("pause in routine TQLI") + kLineBreak + "too many iterations"; }

std::string tqliFailureMessage(int eigenvalue, int iterations) {
    return "The eigen-solver found no eigenvalue " + std::to_string(eigenvalue) + " after " +
           std::to_string(iterations) + " iterations." + kLineBreak + "The analysis stops.";
}

std::string solverInputMessage() {
    return std::string("The eigen-solver was given a value that is not a finite number.") + kLineBreak +
           "The analysis stops.";
}

std::string noAlleleMessage() {
    return std::string("No allele is present in the analysed samples and loci: there is nothing to analyse.") +
           kLineBreak + "Inertia and Fst are written as 0.";
}

std::string noHeterozygosityMessage() {
    return std::string("Every locus is monomorphic in the pooled sample: the total heterozygosity is 0.") +
           kLineBreak + "Fst can not be calculated; it is written as 0.";
}

std::string noInertiaMessage() {
    return std::string("The samples do not differ in their allele frequencies: the total inertia is 0.") +
           kLineBreak + "Axis shares and percentages can not be calculated; they are written as 0.";
}

std::string messageText(MessageId id) {
    switch (id) {
        case MessageId::Coding: return codingMessage();
        case MessageId::OneSample: return oneSampleMessage();
        case MessageId::Capacity: return capacityMessage();
        case MessageId::Genotype: return genotypeMessage(1, 1, "loc1", 1, 1, 0);
        case MessageId::MatrixDimension: return matrixDimensionMessage();
        case MessageId::TqliNotice: return tqliNotice();
        case MessageId::TqliFailure: return tqliFailureMessage(1, 10000);
        case MessageId::SolverInput: return solverInputMessage();
        case MessageId::NoAllele: return noAlleleMessage();
        case MessageId::NoHeterozygosity: return noHeterozygosityMessage();
        case MessageId::NoInertia: return noInertiaMessage();
    }
    return {};
}

void invariantFailed(const char* expression, const char* file, int line) {
    std::fprintf(stderr, "zeltric: internal error: %s failed at %s:%d\n", expression, file, line);
    std::abort();
}

}  // namespace zeltric::data

// zeltric-mpi: zeltric-cli whose extended permutation test runs on every
// process of an MPI job. Process 0 is zeltric-cli itself: it reads, checks,
// draws the arrangements and writes everything. The others receive the
// genotypes, build their share of the Gram matrix's rows and analyse their
// share of each batch of arrangements. Every arrangement is analysed the
// same way wherever it runs, so the files are zeltric-cli's, byte for byte,
// for any number of processes and threads.
#include <mpi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "cli/batch_main.hpp"
#include "extended/arrangement_analysis.hpp"
#include "extended/extended_data.hpp"
#include "platform/platform.hpp"
#include "run/extended_test.hpp"

namespace zeltric::mpi {
namespace {

enum Command : int { kQuit = 0, kGram = 1, kBatch = 2 };

// Every MPI call goes through here: a failed call (a process gone, a
// broken link) ends the whole job with a message and status 1, so that no
// process waits for ever and no output is taken for complete.
void check(int code, const char* what) {
    if (code == MPI_SUCCESS) return;
    char text[MPI_MAX_ERROR_STRING] = {};
    int length = 0;
    MPI_Error_string(code, text, &length);
    std::cerr << "zeltric-mpi: error: " << what << " failed ("
              << std::string(text, static_cast<std::size_t>(length))
              << "); a process of the job has failed or ended, the run is incomplete\n";
    MPI_Abort(MPI_COMM_WORLD, 1);
}

int rankCount() {
    int size = 1;
    check(MPI_Comm_size(MPI_COMM_WORLD, &size), "MPI_Comm_size");
    return size;
}

int ownRank() {
    int rank = 0;
    check(MPI_Comm_rank(MPI_COMM_WORLD, &rank), "MPI_Comm_rank");
    return rank;
}

// Broadcasts in pieces below the int count limit.
template <typename T>
void broadcast(std::vector<T>& values, MPI_Datatype type) {
    std::uint64_t size = values.size();
    check(MPI_Bcast(&size, 1, MPI_UINT64_T, 0, MPI_COMM_WORLD), "MPI_Bcast");
    values.resize(static_cast<std::size_t>(size));
    constexpr std::size_t kPiece = std::size_t{1} << 28;
    for (std::size_t at = 0; at < values.size(); at += kPiece) {
        const auto count = static_cast<int>(std::min(kPiece, values.size() - at));
        check(MPI_Bcast(values.data() + at, count, type, 0, MPI_COMM_WORLD), "MPI_Bcast");
    }
}

void broadcastCommand(int command) { check(MPI_Bcast(&command, 1, MPI_INT, 0, MPI_COMM_WORLD), "MPI_Bcast"); }

// The analysis facts, genotypes and threads the other processes need.
struct Shared {
    extended::ExtendedData data;
    extended::ExtendedResult observed;
    int threads = 1;
};

// Process 0 sends the data and the observed analysis's facts the analyser
// needs; the others receive them into `into` (the same broadcasts in the
// same order on every process).
void broadcastShared(const extended::ExtendedData* data, const extended::ExtendedResult* observed, int threads,
                     Shared* into) {
    const bool root = data != nullptr;
    std::vector<std::int32_t> sampleOf;
    std::vector<std::uint64_t> counts(4, 0);
    std::vector<double> reals(1, 0.0);
    extended::GenotypeMatrix::Raw raw;
    if (root) {
        sampleOf.assign(data->sampleOf.begin(), data->sampleOf.end());
        counts = {data->samples(), observed->dimension, static_cast<std::uint64_t>(threads),
                  data->genotypes.individuals()};
        reals = {observed->heterozygositySum};
        raw = data->genotypes.raw();
    }
    broadcast(counts, MPI_UINT64_T);
    broadcast(reals, MPI_DOUBLE);
    broadcast(sampleOf, MPI_INT32_T);
    broadcast(raw.alleles, MPI_INT32_T);
    broadcast(raw.offsets, MPI_UINT64_T);
    broadcast(raw.bytes, MPI_UINT8_T);
    if (root) return;
    Shared& s = *into;
    s.data.sampleNames.assign(static_cast<std::size_t>(counts[0]), std::string());
    s.data.sampleOf.assign(sampleOf.begin(), sampleOf.end());
    raw.individuals = static_cast<std::size_t>(counts[3]);
    s.data.locusNames.assign(raw.alleles.size(), std::string());
    s.data.genotypes = extended::GenotypeMatrix::fromRaw(std::move(raw));
    s.observed.dimension = static_cast<std::size_t>(counts[1]);
    s.observed.heterozygositySum = reals[0];
    s.threads = static_cast<int>(counts[2]);
}

// Rows first..last of the Gram matrix for each process, of about equal
// area of the lower triangle.
std::size_t rowBoundary(std::size_t individuals, int rank, int ranks) {
    if (rank >= ranks) return individuals;
    const double share = std::sqrt(static_cast<double>(rank) / static_cast<double>(ranks));
    return std::min(individuals, static_cast<std::size_t>(share * static_cast<double>(individuals)));
}

// Every process builds its rows; all of them receive the whole triangle.
void shareGram(extended::ArrangementAnalyser& analyser, int threads) {
    const int ranks = rankCount();
    const int rank = ownRank();
    const std::size_t n = analyser.individuals();
    const std::size_t first = rowBoundary(n, rank, ranks);
    const std::size_t last = rowBoundary(n, rank + 1, ranks);
    std::vector<std::uint32_t> mine = analyser.buildGramRows(first, last, threads);
    const std::size_t total = extended::ArrangementAnalyser::gramRowOffset(n);
    if (total > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        std::cerr << "zeltric-mpi: error: too many individuals to share the Gram matrix in one message\n";
        MPI_Abort(MPI_COMM_WORLD, 1);
    }
    std::vector<int> counts(static_cast<std::size_t>(ranks));
    std::vector<int> offsets(static_cast<std::size_t>(ranks));
    for (int r = 0; r < ranks; ++r) {
        const std::size_t from = extended::ArrangementAnalyser::gramRowOffset(rowBoundary(n, r, ranks));
        const std::size_t to = extended::ArrangementAnalyser::gramRowOffset(rowBoundary(n, r + 1, ranks));
        offsets[static_cast<std::size_t>(r)] = static_cast<int>(from);
        counts[static_cast<std::size_t>(r)] = static_cast<int>(to - from);
    }
    std::vector<std::uint32_t> all(total);
    check(MPI_Allgatherv(mine.data(), static_cast<int>(mine.size()), MPI_UINT32_T, all.data(), counts.data(),
                         offsets.data(), MPI_UINT32_T, MPI_COMM_WORLD),
          "MPI_Allgatherv");
    analyser.setGramRows(0, all);
}

// Every process analyses its share of a batch (contiguous, in order); the
// figures come back to process 0 as 1 + p numbers each, NaN marking an
// arrangement whose analysis failed.
void shareBatch(const extended::ArrangementAnalyser& analyser, run::ArrangementBatch& batch, int threads,
                std::vector<extended::ArrangementAnalyser::Work>& work) {
    const int ranks = rankCount();
    const int rank = ownRank();
    const std::size_t n = analyser.individuals();
    std::vector<std::int32_t> flat;
    std::vector<std::uint64_t> head = {batch.assignments.size()};
    broadcast(head, MPI_UINT64_T);
    const auto count = static_cast<std::size_t>(head[0]);
    if (rank == 0) {
        flat.reserve(count * n);
        for (const std::vector<int>& a : batch.assignments) flat.insert(flat.end(), a.begin(), a.end());
    }
    broadcast(flat, MPI_INT32_T);
    if (rank != 0) {
        batch.assignments.assign(count, std::vector<int>(n));
        for (std::size_t a = 0; a < count; ++a)
            std::copy_n(flat.begin() + static_cast<std::ptrdiff_t>(a * n), n, batch.assignments[a].begin());
    }
    auto bound = [&](int r) { return count * static_cast<std::size_t>(r) / static_cast<std::size_t>(ranks); };
    const std::size_t first = bound(rank);
    const std::size_t last = bound(rank + 1);
    const std::size_t width = 1 + analyser.dimension();
    batch.figures.resize(count);
    std::vector<char> failed(count, 0);
    try {
        run::AnalyseArrangements(analyser, batch, first, last, threads, work);
    } catch (const std::exception&) {
        // Rare: find the arrangements whose analysis fails, one by one.
        for (std::size_t a = first; a < last; ++a) {
            try {
                run::AnalyseArrangements(analyser, batch, a, a + 1, 1, work);
            } catch (const std::exception&) {
                failed[a] = 1;
            }
        }
    }
    std::vector<double> mine;
    for (std::size_t a = first; a < last; ++a) {
        mine.push_back(failed[a] != 0 ? std::numeric_limits<double>::quiet_NaN() : batch.figures[a].globalFst);
        for (std::size_t k = 0; k < analyser.dimension(); ++k)
            mine.push_back(failed[a] != 0 ? 0.0 : batch.figures[a].shares[k]);
    }
    std::vector<int> counts(static_cast<std::size_t>(ranks));
    std::vector<int> offsets(static_cast<std::size_t>(ranks));
    for (int r = 0; r < ranks; ++r) {
        offsets[static_cast<std::size_t>(r)] = static_cast<int>(bound(r) * width);
        counts[static_cast<std::size_t>(r)] = static_cast<int>((bound(r + 1) - bound(r)) * width);
    }
    std::vector<double> all(rank == 0 ? count * width : 0);
    check(MPI_Gatherv(mine.data(), static_cast<int>(mine.size()), MPI_DOUBLE, all.data(), counts.data(),
                      offsets.data(), MPI_DOUBLE, 0, MPI_COMM_WORLD),
          "MPI_Gatherv");
    if (rank != 0) return;
    for (std::size_t a = 0; a < count; ++a) {
        const double* values = &all[a * width];
        if (std::isnan(values[0])) {
            // Analysed here again, so that its error is raised as zeltric-cli raises it.
            run::AnalyseArrangements(analyser, batch, a, a + 1, 1, work);
            continue;
        }
        batch.figures[a].globalFst = values[0];
        batch.figures[a].shares.assign(values + 1, values + width);
    }
}

// Processes 1.. follow process 0's commands until it is done.
void serve() {
    Shared shared;
    std::unique_ptr<extended::ArrangementAnalyser> analyser;
    std::vector<extended::ArrangementAnalyser::Work> work;
    for (;;) {
        int command = kQuit;
        check(MPI_Bcast(&command, 1, MPI_INT, 0, MPI_COMM_WORLD), "MPI_Bcast");
        if (command == kQuit) return;
        if (command == kGram) {
            broadcastShared(nullptr, nullptr, 1, &shared);
            analyser = std::make_unique<extended::ArrangementAnalyser>(shared.data, shared.observed,
                                                                       shared.threads, true, false);
            shareGram(*analyser, shared.threads);
        } else if (command == kBatch && analyser) {
            run::ArrangementBatch batch;
            shareBatch(*analyser, batch, shared.threads, work);
        }
    }
}

}  // namespace
}  // namespace zeltric::mpi

int main(int argc, char** argv) {
    using namespace zeltric;
    int provided = 0;
    if (MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided) != MPI_SUCCESS) {
        std::cerr << "zeltric-mpi: error: MPI could not be started\n";
        return 1;
    }
    MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN);
    const int rank = mpi::ownRank();
    if (rank != 0) {
        try {
            mpi::serve();
        } catch (const std::exception& e) {
            std::cerr << "zeltric-mpi: error: process " << rank << ": " << e.what() << '\n';
            MPI_Abort(MPI_COMM_WORLD, 1);
        }
        MPI_Finalize();
        return 0;
    }

    const int processes = mpi::rankCount();
    std::vector<extended::ArrangementAnalyser::Work> work;
    int threads = 1;
    cli::ExtendedSpread spread;
    spread.processes = processes;
    // The others get the data before this process builds its analyser, so
    // that all build theirs at the same time.
    // Set from a command until its exchange is complete.
    bool othersInExchange = false;
    spread.shareData = [&](const extended::ExtendedData& data, const extended::ExtendedResult& observed,
                           int runThreads) {
        threads = runThreads;
        othersInExchange = true;
        mpi::broadcastCommand(mpi::kGram);
        mpi::broadcastShared(&data, &observed, threads, nullptr);
    };
    spread.buildGram = [&](extended::ArrangementAnalyser& analyser, int) {
        mpi::shareGram(analyser, threads);
        othersInExchange = false;
    };
    spread.analyseBatch = [&](const extended::ArrangementAnalyser& analyser, run::ArrangementBatch& batch) {
        othersInExchange = true;
        mpi::broadcastCommand(mpi::kBatch);
        mpi::shareBatch(analyser, batch, threads, work);
        othersInExchange = false;
    };
    const int status = cli::batchMain(argc, argv, spread);
    if (othersInExchange) {
        // This process failed inside an exchange (out of memory, say; its
        // message is out): the others wait in it and would never see the end.
        std::cerr << "zeltric-mpi: error: the run failed while the other processes took part in it\n";
        MPI_Abort(MPI_COMM_WORLD, status != 0 ? status : 1);
    }
    mpi::broadcastCommand(mpi::kQuit);
    MPI_Finalize();
    if (platform::interruptRequested()) platform::endByInterrupt();
    return status;
}

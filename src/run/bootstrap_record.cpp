#include "run/bootstrap_record.hpp"

#include <cmath>

namespace zeltric::run {

namespace {

record::Json summaryJson(const randomisation::BootstrapFigure& f, bool singleObserved) {
    record::Json json = {{"observed", singleObserved ? record::floatNumber(static_cast<float>(f.observed))
                                                     : record::Json(f.observed)},
                         {"estimate", f.estimate},
                         {"mean", f.mean},
                         {"se", f.se}};
    json["z0"] = std::isfinite(f.z0) ? record::Json(f.z0) : record::Json(nullptr);
    json["lower"] = f.hasInterval ? record::Json(f.lower) : record::Json(nullptr);
    json["upper"] = f.hasInterval ? record::Json(f.upper) : record::Json(nullptr);
    if (!f.hasInterval) json["no_interval"] = f.noInterval;
    return json;
}

}  // namespace

record::Json BootstrapJson(const randomisation::BootstrapSummaries& b, bool singleObserved) {
    record::Json axes = record::Json::array();
    for (const randomisation::BootstrapAxis& axis : b.axes)
        axes.push_back({{"axis", axis.axis},
                        {"fst", summaryJson(axis.fst, singleObserved)},
                        {"share", summaryJson(axis.share, singleObserved)}});
    record::Json json = {
        {"replicates", b.replicates}, {"seeds", {b.seed1, b.seed2}}, {"method", randomisation::kIntervalMethod}};
    if (b.blocks > 0) {
        json["block_loci"] = b.blockLoci;
        json["blocks"] = b.blocks;
    }
    json["global_fst"] = summaryJson(b.globalFst, singleObserved);
    json["axes"] = std::move(axes);
    return json;
}

}  // namespace zeltric::run

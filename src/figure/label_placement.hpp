#pragma once

#include <vector>

#include "figure/geometry.hpp"

// Places one text box per marker so that no box overlaps another box, any
// marker or the outside of the frame. Each box is tried first beside its
// marker (right, upper right, lower right, left, upper left, lower left,
// above, below); labels that find no room there are then tried farther out
// on rings around the marker with a leader line, which may cross neither a
// box nor another leader (it may pass over markers: from inside a cluster
// it must). A label that fits nowhere is left
// out. Greedy and deterministic: samples are served in order, all near
// places before any leader.

namespace zeltric::figure {

struct LabelRequest {
    Point marker;
    double width = 0.0;  // the text box, padding included
    double height = 0.0;
};

struct LabelPlace {
    enum class Kind { Near, Leader, Omitted };
    Kind kind = Kind::Omitted;
    Rect box;           // Near and Leader
    Point leaderStart;  // Leader: on the marker's edge
    Point leaderEnd;    // Leader: on the box's edge
};

struct PlacementStyle {
    double markerRadius = 2.0;
    double gap = 1.0;  // between a marker's edge and its near label
};

std::vector<LabelPlace> placeLabels(const Rect& frame, const std::vector<LabelRequest>& labels,
                                    const PlacementStyle& style);

}  // namespace zeltric::figure

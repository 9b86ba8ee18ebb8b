#include "figure/label_placement.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace zeltric::figure {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRingCount = 10;
constexpr int kRingAngles = 24;

struct Leader {
    Point start;
    Point end;
};

class Placer {
public:
    Placer(const Rect& frame, const std::vector<LabelRequest>& labels, const PlacementStyle& style)
        : frame_(frame), labels_(labels), style_(style) {
        const double r = style.markerRadius;
        markers_.reserve(labels.size());
        for (const LabelRequest& l : labels)
            markers_.push_back(Rect{l.marker.x - r, l.marker.y - r, l.marker.x + r, l.marker.y + r});
    }

    std::vector<LabelPlace> run() {
        std::vector<LabelPlace> places(labels_.size());
        for (std::size_t i = 0; i < labels_.size(); ++i) {
            if (const auto box = nearPlace(i)) {
                places[i].kind = LabelPlace::Kind::Near;
                places[i].box = *box;
                boxes_.push_back(*box);
            }
        }
        for (std::size_t i = 0; i < labels_.size(); ++i) {
            if (places[i].kind != LabelPlace::Kind::Omitted) continue;
            placeWithLeader(i, places[i]);
        }
        return places;
    }

private:
    // Free of the frame's outside, every marker, every box and every leader.
    bool boxFree(const Rect& box) const {
        if (!frame_.contains(box)) return false;
        for (const Rect& m : markers_)
            if (m.overlaps(box)) return false;
        for (const Rect& b : boxes_)
            if (b.overlaps(box)) return false;
        for (const Leader& l : leaders_)
            if (segmentCrosses(l.start, l.end, box)) return false;
        return true;
    }

    // A leader may pass over markers (from inside a cluster it must), never
    // through a label or across another leader.
    bool leaderFree(Point a, Point b) const {
        for (const Rect& box : boxes_)
            if (segmentCrosses(a, b, box)) return false;
        for (const Leader& l : leaders_)
            if (segmentsCross(a, b, l.start, l.end)) return false;
        return true;
    }

    std::optional<Rect> nearPlace(std::size_t i) const {
        const LabelRequest& l = labels_[i];
        const double r = style_.markerRadius;
        const double g = style_.gap;
        const double w = l.width;
        const double h = l.height;
        const double x = l.marker.x;
        const double y = l.marker.y;
        // Diagonal places sit off the marker's corner square, not its circle:
        // boxes must clear the marker's square.
        const std::array<Rect, 8> candidates = {{
            {x + r + g, y - h / 2, x + r + g + w, y + h / 2},      // right
            {x + r + g, y - r - g - h, x + r + g + w, y - r - g},  // upper right
            {x + r + g, y + r + g, x + r + g + w, y + r + g + h},  // lower right
            {x - r - g - w, y - h / 2, x - r - g, y + h / 2},      // left
            {x - r - g - w, y - r - g - h, x - r - g, y - r - g},  // upper left
            {x - r - g - w, y + r + g, x - r - g, y + r + g + h},  // lower left
            {x - w / 2, y - r - g - h, x + w / 2, y - r - g},      // above
            {x - w / 2, y + r + g, x + w / 2, y + r + g + h},      // below
        }};
        for (const Rect& box : candidates)
            if (boxFree(box)) return box;
        return std::nullopt;
    }

    void placeWithLeader(std::size_t i, LabelPlace& place) {
        const LabelRequest& l = labels_[i];
        const double r = style_.markerRadius;
        const double w = l.width;
        const double h = l.height;
        for (int ring = 0; ring < kRingCount; ++ring) {
            const double distance = r + 2.0 * style_.gap + h * (1.2 + 1.0 * ring);
            for (int a = 0; a < kRingAngles; ++a) {
                const double angle = 2.0 * kPi * a / kRingAngles;
                const double dx = std::cos(angle);
                const double dy = std::sin(angle);
                const Point end{l.marker.x + distance * dx, l.marker.y + distance * dy};
                // The box hangs off the leader's end on the side away from the marker.
                Rect box;
                box.left = dx > 0.3 ? end.x : dx < -0.3 ? end.x - w : end.x - w / 2;
                box.top = dy > 0.3 ? end.y : dy < -0.3 ? end.y - h : end.y - h / 2;
                box.right = box.left + w;
                box.bottom = box.top + h;
                const Point start{l.marker.x + r * dx, l.marker.y + r * dy};
                if (!boxFree(box) || !leaderFree(start, end)) continue;
                place.kind = LabelPlace::Kind::Leader;
                place.box = box;
                place.leaderStart = start;
                place.leaderEnd = end;
                boxes_.push_back(box);
                leaders_.push_back(Leader{start, end});
                return;
            }
        }
    }

    Rect frame_;
    const std::vector<LabelRequest>& labels_;
    PlacementStyle style_;
    std::vector<Rect> markers_;
    std::vector<Rect> boxes_;
    std::vector<Leader> leaders_;
};

}  // namespace

std::vector<LabelPlace> placeLabels(const Rect& frame, const std::vector<LabelRequest>& labels,
                                    const PlacementStyle& style) {
    return Placer(frame, labels, style).run();
}

}  // namespace zeltric::figure

#pragma once

// Points and rectangles of the figure, in its user units (points, y down).

namespace zeltric::figure {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

struct Rect {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;

    double width() const { return right - left; }
    double height() const { return bottom - top; }
    bool contains(const Rect& inner) const {
        return inner.left >= left && inner.top >= top && inner.right <= right && inner.bottom <= bottom;
    }
    // Shared area, not a shared edge: boxes that only touch do not overlap.
    bool overlaps(const Rect& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
};

// Whether the segment from a to b passes through the inside of `box`.
bool segmentCrosses(Point a, Point b, const Rect& box);
// Whether two segments cross (touching end points count).
bool segmentsCross(Point a, Point b, Point c, Point d);

}  // namespace zeltric::figure

#include "figure/geometry.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace zeltric::figure {

namespace {

double cross(Point o, Point a, Point b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

bool onSegment(Point a, Point b, Point p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

}  // namespace

bool segmentCrosses(Point a, Point b, const Rect& box) {
    // Liang-Barsky: clip the segment to the box; it crosses the inside when
    // a piece of positive length remains strictly within.
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const std::array<double, 4> p = {-dx, dx, -dy, dy};
    const std::array<double, 4> q = {a.x - box.left, box.right - a.x, a.y - box.top, box.bottom - a.y};
    for (std::size_t k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] <= 0.0) return false;  // parallel and outside or on the edge
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 >= t1) return false;
    }
    const double length = std::hypot(dx, dy);
    return (t1 - t0) * length > 1e-9;
}

bool segmentsCross(Point a, Point b, Point c, Point d) {
    const double d1 = cross(c, d, a);
    const double d2 = cross(c, d, b);
    const double d3 = cross(a, b, c);
    const double d4 = cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
    if (d1 == 0 && onSegment(c, d, a)) return true;
    if (d2 == 0 && onSegment(c, d, b)) return true;
    if (d3 == 0 && onSegment(a, b, c)) return true;
    if (d4 == 0 && onSegment(a, b, d)) return true;
    return false;
}

}  // namespace zeltric::figure

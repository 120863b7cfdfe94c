#pragma once

#include <cmath>
#include <limits>
#include <ostream>

namespace tilvane {

// Points, sizes and rectangles in 64-bit floating point. Whether a value is in
// bottom-left coordinates (screen frames) or top-left coordinates (window
// frames, event locations) is a matter of where it comes from; both share the
// origin of the primary screen.
struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    bool isNull() const { return std::isinf(x) || std::isinf(y); }
    bool isFinite() const {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) && std::isfinite(height);
    }
    // Left and top edges inside, right and bottom edges outside.
    bool containsPoint(Point p) const { return x <= p.x && p.x < x + width && y <= p.y && p.y < y + height; }
    static Rect make(Point o, Size s) { return {o.x, o.y, s.width, s.height}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The failure value of an element's frame: distinct from the zero rectangle.
inline constexpr Rect kNullRect{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), 0, 0};

// The overlapping part of two rectangles; the null rectangle when they do not overlap.
inline Rect intersection(const Rect& a, const Rect& b) {
    double x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    double x1 = std::min(a.maxX(), b.maxX()), y1 = std::min(a.maxY(), b.maxY());
    if (x1 <= x0 || y1 <= y0) return kNullRect;
    return {x0, y0, x1 - x0, y1 - y0};
}

inline std::ostream& operator<<(std::ostream& os, const Point& p) {
    return os << "(" << p.x << ", " << p.y << ")";
}
inline std::ostream& operator<<(std::ostream& os, const Size& s) {
    return os << "(" << s.width << " x " << s.height << ")";
}
inline std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}

}  // namespace tilvane

#include "Screenshots/Annotation.h"

#include <algorithm>

namespace {

// QPointF's own == allows a tolerance; marks compare exactly.
bool same(QPointF a, QPointF b)
{
    return a.x() == b.x() && a.y() == b.y();
}

} // namespace

bool operator==(const Annotation::Blur& a, const Annotation::Blur& b)
{
    return a.diameter == b.diameter
        && std::equal(a.points.begin(), a.points.end(), b.points.begin(), b.points.end(), same);
}

bool operator==(const Annotation::Arrow& a, const Annotation::Arrow& b)
{
    return same(a.from, b.from) && same(a.to, b.to);
}

bool operator==(const Annotation::Number& a, const Annotation::Number& b)
{
    return same(a.at, b.at) && a.value == b.value;
}

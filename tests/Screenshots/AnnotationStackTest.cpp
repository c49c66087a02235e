#include "Screenshots/AnnotationStack.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
Annotation marker(std::int64_t value)
{
    return Annotation::Number { QPointF(10, 10), value };
}
Annotation arrow(double x)
{
    return Annotation::Arrow { QPointF(0, 0), QPointF(x, 5) };
}
} // namespace

TEST(AnnotationStack, UndoAndRedoMoveTheLastMarkBetweenTheLists)
{
    AnnotationStack stack;
    stack.undo();
    stack.redo();
    EXPECT_EQ(stack, AnnotationStack {});

    stack.add(arrow(1));
    stack.add(arrow(2));
    stack.add(arrow(3));
    stack.undo();
    stack.undo();
    EXPECT_EQ(stack.items, std::vector<Annotation> { arrow(1) });
    EXPECT_EQ(stack.undone, (std::vector<Annotation> { arrow(3), arrow(2) }));
    stack.redo();
    EXPECT_EQ(stack.items, (std::vector<Annotation> { arrow(1), arrow(2) })) << "the later undo comes back";
    EXPECT_EQ(stack.undone, std::vector<Annotation> { arrow(3) });

    stack.add(arrow(4));
    EXPECT_TRUE(stack.undone.empty());
    stack.redo();
    EXPECT_EQ(stack.items, (std::vector<Annotation> { arrow(1), arrow(2), arrow(4) }));
}

TEST(AnnotationStack, NextNumberFollowsTheLargestMarkerInEffect)
{
    AnnotationStack stack;
    EXPECT_EQ(stack.nextNumber(), 1);
    stack.add(arrow(1));
    EXPECT_EQ(stack.nextNumber(), 1);
    stack.add(marker(1));
    stack.add(marker(2));
    stack.add(marker(5));
    EXPECT_EQ(stack.nextNumber(), 6) << "the largest, not the count";
    stack.undo();
    EXPECT_EQ(stack.nextNumber(), 3) << "undone markers do not count";

    stack.undo();
    EXPECT_EQ(stack.nextNumber(), 2);
    stack.redo();
    EXPECT_EQ(stack.nextNumber(), 3) << "a redo brings the old marker 2 back";
    stack.undo();
    stack.add(marker(stack.nextNumber()));
    stack.redo();
    EXPECT_EQ(stack.items.back(), marker(2)) << "placing discarded the undone markers";
    EXPECT_EQ(stack.nextNumber(), 3);

    AnnotationStack negative;
    negative.add(marker(-4));
    EXPECT_EQ(negative.nextNumber(), -3);
    negative.add(marker(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(negative.nextNumber(), std::numeric_limits<std::int64_t>::max()) << "no overflow";
}

TEST(Annotation, EqualityIsExactAndOrdered)
{
    const Annotation::Blur stroke { { QPointF(1, 2), QPointF(3, 4) }, 30 };
    EXPECT_EQ(Annotation(stroke), Annotation(Annotation::Blur { { QPointF(1, 2), QPointF(3, 4) }, 30 }));
    EXPECT_NE(Annotation(stroke), Annotation(Annotation::Blur { { QPointF(3, 4), QPointF(1, 2) }, 30 }));
    EXPECT_NE(Annotation(stroke), Annotation(Annotation::Blur { { QPointF(1, 2) }, 30 }));
    EXPECT_NE(Annotation(stroke), Annotation(Annotation::Blur { stroke.points, 31 }));
    EXPECT_NE(
        Annotation(stroke), Annotation(Annotation::Blur { { QPointF(1, 2), QPointF(3, 4 + 1e-12) }, 30 }))
        << "no tolerance";
    EXPECT_NE(arrow(1), arrow(1 + 1e-12));
    EXPECT_NE(marker(1), marker(2));
    EXPECT_NE(Annotation(Annotation::Number { QPointF(0, 0), 1 }), Annotation(Annotation::Arrow {}));
}

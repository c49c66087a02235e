#include "EditorMarks.h"

#include "Screenshots/EditorModel.h"
#include "Screenshots/Shot.h"

#include <cmath>
#include <vector>

void addMarks(EditorModel& model, int count)
{
    const QSize pixels = model.shot().image().size();
    for (int i = 0; i < count; ++i) {
        const double x = 200 + (i * 397) % (pixels.width() - 400);
        const double y = 200 + (i * 211) % (pixels.height() - 400);
        if (i % 3 == 0) {
            std::vector<QPointF> points;
            for (int k = 0; k < 40; ++k)
                points.emplace_back(x + k * 12, y + 40 * std::sin(k * 0.3));
            model.add(Annotation::Blur { points, 130 });
        } else if (i % 3 == 1) {
            model.add(Annotation::Arrow { QPointF(x, y), QPointF(x + 300, y + 180) });
        } else {
            model.add(Annotation::Number { QPointF(x, y), model.stack().nextNumber() });
        }
    }
}

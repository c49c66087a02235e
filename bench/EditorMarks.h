#pragma once

class EditorModel;

// Marks spread over the shot as a busy user leaves them: blur strokes, arrows and numbers in turn.
void addMarks(EditorModel& model, int count);

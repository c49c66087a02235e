#pragma once

#include <QStringList>

#include <cstdio>

// `drimo-sim render SHOT.png SCALE ANNOTATIONS.json OUT.png`: the annotated image exactly as a finished
// edit saves it. Exit status 0 when written, 1 when the output could not be written, 2 for bad input
// (the reason goes to `errors`).
namespace RenderCommand {

int run(const QStringList& arguments, std::FILE* errors);

} // namespace RenderCommand

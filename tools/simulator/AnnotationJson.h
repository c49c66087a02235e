#pragma once

#include "Screenshots/Annotation.h"

#include <QString>

#include <nlohmann/json_fwd.hpp>

#include <vector>

// Annotations written as JSON, in the shot's pixel space (origin bottom-left, y up):
//   {"blur":{"points":[[x,y],…],"diameter":d}}, {"arrow":{"from":[x,y],"to":[x,y]}},
//   {"number":{"at":[x,y],"value":n}}
namespace AnnotationJson {

// The annotations of a JSON array, in order. On malformed input: nothing, and `error` says what is wrong
// and where.
std::optional<std::vector<Annotation>> parse(const nlohmann::json& array, QString& error);

// One annotation in the same form.
nlohmann::ordered_json write(const Annotation& annotation);

} // namespace AnnotationJson

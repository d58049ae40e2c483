#include "advisor/Candidate.h"

namespace tavelin {

Candidate::Candidate(Fields fields)
    : id(std::move(fields.id))
    , detector(std::move(fields.detector))
    , title(std::move(fields.title))
    , detail(std::move(fields.detail))
    , category(fields.category)
    , rung(fields.rung)
    , action(std::move(fields.action))
    , freed(fields.freed)
    , onDisk(fields.onDisk.value_or(fields.freed))
    , project(std::move(fields.project))
    , evidence(std::move(fields.evidence))
    , blocked(std::move(fields.blocked))
    , confidence(fields.confidence)
    , rebuildMinutes(fields.rebuildMinutes)
    , redownloadGB(fields.redownloadGB)
    , value(fields.value)
    , copies(std::move(fields.copies)) {}

} // namespace tavelin

#pragma once

namespace tavelin {

// Makes the user's number punctuation the global C++ locale that core's formatters read;
// a locale without digit grouping (such as "C") gets English grouping instead.
void installNumberLocale();

} // namespace tavelin

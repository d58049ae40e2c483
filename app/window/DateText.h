#pragma once

// Dates as the window writes them.

#include "util/Dates.h"

#include <QString>

namespace tavelin::DateText {

// A named relative date in whole units: "now", "5 minutes ago", "yesterday", "3 days ago",
// "last week", "2 months ago", "in 2 hours", "tomorrow".
QString relative(Date date, Date now);

// Day, short month name and year with the time in the locale's short form; empty for the
// distant past, which stands for an unknown date.
QString abbreviated(Date date);

} // namespace tavelin::DateText

#pragma once

// Figures as the user reads them. Both follow the global C++ locale's number punctuation
// (the app installs the user's; tests pin an English one).

#include <cstdint>
#include <locale>
#include <string>
#include <string_view>

namespace tavelin {

// A file-style byte count in decimal units: "0 bytes", "1 byte", "999 bytes", "1 KB", "1.5 MB",
// "1.25 GB", "2 TB". KB are whole, MB show at most one decimal, larger units at most two, with
// trailing zeros dropped. A value that rounds up to 1000 of a unit is shown in the next unit.
std::string formatBytes(int64_t bytes, const std::locale& locale = std::locale());

// A count with the locale's digit grouping: "1,234" in English.
std::string formatCount(int64_t count, const std::locale& locale = std::locale());

// A count and its noun, singular for exactly one: "1 file", "0 files", "1,204 files".
std::string formatCounted(int64_t count, std::string_view noun);

// English digit grouping ("1,234") and decimal point, for tests and for systems whose locale
// has no grouping at all.
std::locale englishNumberLocale();

} // namespace tavelin

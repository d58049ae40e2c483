#pragma once

// Figures as the user reads them. They follow the global C++ locale's number punctuation
// (the app installs the user's; tests pin an English one) and, for sizes, the process's units.

#include <cstdint>
#include <locale>
#include <string>
#include <string_view>

namespace tavelin {

// Decimal units step by 1000 (KB, MB, as GNOME writes them); binary ones by 1024 (KiB, MiB, as
// KDE writes them).
enum class ByteUnits { decimal, binary };

// The units every size shown in this process uses; decimal until set. The app sets them from
// its settings before it shows or prints anything; any thread may read them.
void setByteUnits(ByteUnits units);
ByteUnits byteUnits();

// One unit of the process's units: power 1 is KB (or KiB), 3 is GB (or GiB).
struct ByteUnit {
    std::string_view name;
    int64_t size;
};
ByteUnit byteUnit(int power);

// A file-style byte count in the process's units: "0 bytes", "1 byte", "999 bytes", "1 KB",
// "1.5 MB", "1.25 GB", "2 TB" (or "1.5 MiB"…). KB are whole, MB show at most one decimal, larger
// units at most two, with trailing zeros dropped. A value that rounds up to one step (1000, or
// 1024 in binary units) of a unit is shown in the next unit.
std::string formatBytes(int64_t bytes, const std::locale& locale = std::locale());

// A count with the locale's digit grouping: "1,234" in English.
std::string formatCount(int64_t count, const std::locale& locale = std::locale());

// A count and its noun, singular for exactly one: "1 file", "0 files", "1,204 files".
std::string formatCounted(int64_t count, std::string_view noun);

// English digit grouping ("1,234") and decimal point, for tests and for systems whose locale
// has no grouping at all.
std::locale englishNumberLocale();

} // namespace tavelin

#include "util/Format.h"

#include "util/LinuxWordings.h"

#include <array>
#include <atomic>
#include <climits>
#include <string_view>

namespace tavelin {
namespace {

struct Unit {
    std::string_view decimalName;
    std::string_view binaryName;
    int decimals;
};

constexpr std::array<Unit, 6> kUnits{{{"KB", "KiB", 0},
                                      {"MB", "MiB", 1},
                                      {"GB", "GiB", 2},
                                      {"TB", "TiB", 2},
                                      {"PB", "PiB", 2},
                                      {"EB", "EiB", 2}}};

std::atomic<ByteUnits> processUnits{ByteUnits::decimal};

uint64_t unitStep() {
    return byteUnits() == ByteUnits::binary ? 1024 : 1000;
}

std::string_view unitName(size_t index) {
    const Unit& unit = kUnits[index];
    return byteUnits() == ByteUnits::binary ? unit.binaryName : unit.decimalName;
}

class EnglishPunctuation : public std::numpunct<char> {
protected:
    char do_thousands_sep() const override { return ','; }
    char do_decimal_point() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// Groups the decimal digits of `digits` as the locale says: "\3" means threes from the right,
// with the last group size repeating.
std::string groupDigits(std::string digits, const std::numpunct<char>& punct) {
    std::string grouping = punct.grouping();
    if (grouping.empty())
        return digits;
    std::string out;
    size_t groupIndex = 0;
    int inGroup = 0;
    for (size_t i = digits.size(); i-- > 0;) {
        int size = static_cast<unsigned char>(grouping[groupIndex]);
        if (size > 0 && size != CHAR_MAX && inGroup == size) {
            out.push_back(punct.thousands_sep());
            inGroup = 0;
            if (groupIndex + 1 < grouping.size())
                ++groupIndex;
        }
        out.push_back(digits[i]);
        ++inGroup;
    }
    return {out.rbegin(), out.rend()};
}

// `scaled` is the value times 10^decimals; trailing zero decimals are dropped.
std::string fixedPoint(unsigned __int128 scaled, int decimals, const std::numpunct<char>& punct) {
    unsigned __int128 divisor = 1;
    for (int i = 0; i < decimals; ++i)
        divisor *= 10;
    auto whole = static_cast<uint64_t>(scaled / divisor);
    auto fraction = static_cast<uint64_t>(scaled % divisor);
    std::string text = groupDigits(std::to_string(whole), punct);
    if (fraction == 0)
        return text;
    std::string digits = std::to_string(fraction);
    digits.insert(0, static_cast<size_t>(decimals) - digits.size(), '0');
    while (digits.back() == '0')
        digits.pop_back();
    return text + punct.decimal_point() + digits;
}

} // namespace

void setByteUnits(ByteUnits units) {
    processUnits = units;
}

ByteUnits byteUnits() {
    return processUnits;
}

ByteUnit byteUnit(int power) {
    int64_t size = 1;
    for (int i = 0; i < power; ++i)
        size *= static_cast<int64_t>(unitStep());
    return {unitName(static_cast<size_t>(power - 1)), size};
}

std::locale englishNumberLocale() {
    return std::locale(std::locale::classic(), new EnglishPunctuation);
}

std::string formatCount(int64_t count, const std::locale& locale) {
    const auto& punct = std::use_facet<std::numpunct<char>>(locale);
    auto magnitude = count < 0 ? 0 - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
    std::string text = groupDigits(std::to_string(magnitude), punct);
    return count < 0 ? "-" + text : text;
}

std::string formatCounted(int64_t count, std::string_view noun) {
    return formatCount(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

std::string formatBytes(int64_t bytes, const std::locale& locale) {
    if (bytes == 0)
        return std::string(linuxWording("Zero KB"));
    const auto& punct = std::use_facet<std::numpunct<char>>(locale);
    std::string sign = bytes < 0 ? "-" : "";
    auto magnitude = bytes < 0 ? 0 - static_cast<uint64_t>(bytes) : static_cast<uint64_t>(bytes);
    if (magnitude == 1)
        return sign + "1 byte";
    uint64_t step = unitStep();
    if (magnitude < step)
        return sign + groupDigits(std::to_string(magnitude), punct) + " bytes";

    unsigned __int128 unitSize = step;
    for (size_t i = 0; i < kUnits.size(); ++i, unitSize *= step) {
        unsigned __int128 power = 1;
        for (int d = 0; d < kUnits[i].decimals; ++d)
            power *= 10;
        // Round half up at the shown precision.
        unsigned __int128 scaled = (magnitude * power * 2 + unitSize) / (unitSize * 2);
        bool last = i + 1 == kUnits.size();
        if (scaled < step * power || last)
            return sign + fixedPoint(scaled, kUnits[i].decimals, punct) + " " +
                   std::string(unitName(i));
    }
    return {};
}

} // namespace tavelin

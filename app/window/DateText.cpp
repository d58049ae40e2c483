#include "window/DateText.h"

#include <QDateTime>
#include <QLocale>
#include <array>

namespace tavelin::DateText {
namespace {

struct Unit {
    int64_t seconds;
    const char* name;
    const char* last; // the named form for one unit back, or nullptr
    const char* next; // the named form for one unit ahead, or nullptr
};

constexpr int64_t kDay = 86'400;

// Largest first; a difference is counted in the first unit it fills at least once.
constexpr std::array<Unit, 7> kUnits{{
    {365 * kDay, "year", "last year", "next year"},
    {30 * kDay, "month", "last month", "next month"},
    {7 * kDay, "week", "last week", "next week"},
    {kDay, "day", "yesterday", "tomorrow"},
    {3'600, "hour", nullptr, nullptr},
    {60, "minute", nullptr, nullptr},
    {1, "second", nullptr, nullptr},
}};

} // namespace

QString relative(Date date, Date now) {
    int64_t difference = std::chrono::duration_cast<std::chrono::seconds>(now - date).count();
    bool past = difference >= 0;
    int64_t span = past ? difference : -difference;
    for (const Unit& unit : kUnits) {
        int64_t count = span / unit.seconds;
        if (count == 0)
            continue;
        if (count == 1 && unit.last)
            return QLatin1String(past ? unit.last : unit.next);
        QString amount = QStringLiteral("%1 %2%3")
                             .arg(count)
                             .arg(QLatin1String(unit.name))
                             .arg(count == 1 ? QString() : QStringLiteral("s"));
        return past ? amount + QStringLiteral(" ago") : QStringLiteral("in ") + amount;
    }
    return QStringLiteral("now");
}

QString abbreviated(Date date) {
    if (date <= kDistantPast)
        return {};
    auto milliseconds = wholeMillisecondsSince1970(date);
    QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds);
    QLocale locale;
    return locale.toString(local.date(), QStringLiteral("d MMM yyyy")) + QStringLiteral(", ") +
           locale.toString(local.time(), QLocale::ShortFormat);
}

} // namespace tavelin::DateText

#pragma once

// Why a folder could not be read, as the banner, its list and an item's popover say it.

#include <QString>
#include <string>

namespace tavelin::ReadProblem {

// What reading the folder meets now, as the system words it ("Permission denied"); a folder
// readable by now says that a rescan includes it.
QString reason(const std::string& path);

// The help behind "Why was this skipped?".
QString why();

} // namespace tavelin::ReadProblem

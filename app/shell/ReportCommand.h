#pragma once

// `tavelin --report PATH [--condensed]`: scans PATH without a window, runs the advisor and
// prints the agent report on standard output, for servers reached over SSH and for agents that
// call Tavelin themselves. `tavelin --import FILE --report` does the same for a scan file, with
// the suggestions the names and paths alone give.

#include <iosfwd>
#include <string>

namespace tavelin::ReportCommand {

// The exit status: 0 once the report is printed, 1 (with a one-line error on `errors`) when the
// path is not a folder that can be scanned. A progress line goes to `errors` when
// `showProgress`.
int run(const std::string& path, bool condensed, bool showProgress, std::ostream& output,
        std::ostream& errors);

// The same for a scan file ("-": standard input): 1 when it cannot be read or is not a scan file.
int runImported(const std::string& file, bool condensed, bool showProgress, std::ostream& output,
                std::ostream& errors);

} // namespace tavelin::ReportCommand

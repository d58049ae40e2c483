#pragma once

// `tavelin --export PATH [-o FILE]`: walks PATH without a window and writes its scan as an
// ncdu export, for ncdu, gdu and the other tools that read the format, or for Tavelin on
// another computer. Standard output by default; a FILE ending in ".gz" is gzip-compressed, and
// is replaced only once the export is complete.

#include <iosfwd>
#include <string>

namespace tavelin::ExportCommand {

// The exit status: 0 once the export is written (entries that could not be read are marked in
// it, and counted on `errors`), 1 with a one-line error on `errors` when PATH cannot be read
// or the output cannot be written.
int run(const std::string& path, const std::string& output, std::ostream& errors);

} // namespace tavelin::ExportCommand

#pragma once

// Tavelin's manual page, built into the program, as a window shows it: the few man macros the
// page uses (.TH .SH .PP .TP .B .I .BI and the font escapes \fB \fI \fR) turned into HTML.

#include <QString>

namespace tavelin::ManualPage {

// The page's source, as installed.
QString source();
// `source` as HTML: sections as headings, tagged paragraphs as definition lists.
QString html(const QString& source);
// Whether the page is installed where `man` finds it for the desktop's help viewer.
bool isInstalled();

} // namespace tavelin::ManualPage

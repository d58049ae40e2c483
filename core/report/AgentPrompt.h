#pragma once

// The words that go with a report to an AI agent: the standard request, and the two ways of
// joining it to the report.

#include <string>
#include <string_view>

namespace tavelin::AgentPrompt {

// The request used when the user has not written one of their own.
std::string standard();

// The prompt, a blank line and "The report is in this file: " with the report's path.
std::string withFile(std::string_view prompt, std::string_view path);

// The prompt, a blank line and the report itself. (`inline` is taken by the language.)
std::string inlined(std::string_view prompt, std::string_view report);

} // namespace tavelin::AgentPrompt

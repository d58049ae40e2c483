#pragma once

namespace tavelin {

// One visitor for std::visit made of several lambdas, one per alternative.
template <typename... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};

} // namespace tavelin

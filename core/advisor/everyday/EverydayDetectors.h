#pragma once

// The everyday detectors, which look at the user's own things: old downloads, installers,
// screenshots, large files, unused apps and offline media (the Photos library's detector has
// nothing to look at here and is left out).

#include "advisor/Detector.h"

#include <memory>
#include <vector>

namespace tavelin::EverydayDetectors {

// One of each, with its usual settings, in the order the advisor runs them: "downloads-old",
// "installers", "screenshots", "large-files", "apps-unused", "media-downloads".
std::vector<std::shared_ptr<const Detector>> all();

} // namespace tavelin::EverydayDetectors

#include "advisor/everyday/EverydayDetectors.h"

#include "advisor/everyday/InstallersDetector.h"
#include "advisor/everyday/LargeFilesDetector.h"
#include "advisor/everyday/MediaDownloadsDetector.h"
#include "advisor/everyday/OldDownloadsDetector.h"
#include "advisor/everyday/ScreenshotsDetector.h"
#include "advisor/everyday/UnusedAppsDetector.h"

namespace tavelin::EverydayDetectors {

std::vector<std::shared_ptr<const Detector>> all() {
    // Not PhotosLibraryDetector: no photo app here keeps full-size originals in a cloud with
    // smaller copies on the computer, which is all its guide offers. What photo managers keep
    // beside the photos (Shotwell's, digiKam's and darktable's thumbnails and previews) the
    // reclaim rules offer as rebuildable caches instead.
    return {
        std::make_shared<OldDownloadsDetector>(), std::make_shared<InstallersDetector>(),
        std::make_shared<ScreenshotsDetector>(),  std::make_shared<LargeFilesDetector>(),
        std::make_shared<UnusedAppsDetector>(),   std::make_shared<MediaDownloadsDetector>(),
    };
}

} // namespace tavelin::EverydayDetectors

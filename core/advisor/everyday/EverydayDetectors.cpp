#include "advisor/everyday/EverydayDetectors.h"

#include "advisor/everyday/InstallersDetector.h"
#include "advisor/everyday/LargeFilesDetector.h"
#include "advisor/everyday/MediaDownloadsDetector.h"
#include "advisor/everyday/OldDownloadsDetector.h"
#include "advisor/everyday/PhotosLibraryDetector.h"
#include "advisor/everyday/ScreenshotsDetector.h"
#include "advisor/everyday/UnusedAppsDetector.h"

namespace tavelin::EverydayDetectors {

std::vector<std::shared_ptr<const Detector>> all() {
    return {
        std::make_shared<OldDownloadsDetector>(),   std::make_shared<InstallersDetector>(),
        std::make_shared<ScreenshotsDetector>(),    std::make_shared<LargeFilesDetector>(),
        std::make_shared<UnusedAppsDetector>(),     std::make_shared<PhotosLibraryDetector>(),
        std::make_shared<MediaDownloadsDetector>(),
    };
}

} // namespace tavelin::EverydayDetectors
